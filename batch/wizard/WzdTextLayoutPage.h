#pragma once

#include <memory>
#include <string>

#include "WzdPage.h"

namespace Ui {
class CWzdTextLayoutPage;
}

// The layout of a text file: its separator, the fields holding the
// coordinates, the format of geographic values and the header line.
class CWzdTextLayoutPage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdTextLayoutPage(CWzdSheet& sheet);
    ~CWzdTextLayoutPage() override;

    void OnSetActive() override;
    int nextId() const override;
    // Stores the choices once the separator is known and each coordinate
    // has a field of its own.
    bool validatePage() override;

private:
    void FirstActivation();
    // Lists the first line's fields under the separator now chosen; the
    // columns a header names are selected the first time they are seen.
    void FillLists(bool keepSelection);
    void SeparatorChosen();

    std::unique_ptr<Ui::CWzdTextLayoutPage> ui;
    bool created = false;
    bool filling = false;
    bool separatorUnclear = false;
    // The file and separator whose header names last chose the columns.
    std::string namedFor;
};
