#pragma once

#include <memory>

#include "WzdPage.h"

namespace Ui {
class CWzdPage01;
}

// The type of conversion: text file, shapefile or database table.
class CWzdPage01 : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdPage01(CWzdSheet& sheet);
    ~CWzdPage01() override;

    void OnSetActive() override;
    int nextId() const override;

private:
    std::unique_ptr<Ui::CWzdPage01> ui;
};
