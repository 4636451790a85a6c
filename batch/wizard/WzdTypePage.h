#pragma once

#include <memory>

#include "WzdPage.h"

namespace Ui {
class CWzdTypePage;
}

// The type of conversion: text file, shapefile, GIS vector file or database
// table.
class CWzdTypePage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdTypePage(CWzdSheet& sheet);
    ~CWzdTypePage() override;

    void OnSetActive() override;
    int nextId() const override;

private:
    std::unique_ptr<Ui::CWzdTypePage> ui;
};
