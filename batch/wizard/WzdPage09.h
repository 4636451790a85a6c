#pragma once

#include <memory>
#include <string>
#include <vector>

#include "WzdPage.h"

namespace Ui {
class CWzdPage09;
}

// The preview of the source coordinates of a text file or a table, as they
// will be read.
class CWzdPage09 : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdPage09(CWzdSheet& sheet);
    ~CWzdPage09() override;

    void OnSetActive() override;
    int nextId() const override;

private:
    void CreateColumns();
    void Show(const std::vector<std::vector<std::string>>& rows);

    std::unique_ptr<Ui::CWzdPage09> ui;
    bool created = false;
};
