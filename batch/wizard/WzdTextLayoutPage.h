#pragma once

#include <memory>
#include <string>

#include "WzdPage.h"

namespace Ui {
struct BatchSettings;

class CWzdTextLayoutPage;
}

// The layout of a text file: its separator, the fields holding the
// coordinates, the format of geographic values and the header line; and a
// field holding the coordinate as a map reference (MGRS, USNG, UTM with zone,
// British or Irish grid reference), read as the source or written as the
// destination, in the notations that apply to each side's system.
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
    // Lists each side's notations: those its system takes, with the others
    // and why in the list's tool tip.
    void FillNotations();
    void FillNotationFields(const std::vector<std::string>& fields);
    // Enables what the chosen notations use.
    void NotationChosen();
    // The page's notation choices in settings; false, with why, when they do
    // not fit the systems or the columns.
    bool TakeNotations(BatchSettings& settings, std::string& why) const;

    std::unique_ptr<Ui::CWzdTextLayoutPage> ui;
    bool created = false;
    bool filling = false;
    bool separatorUnclear = false;
    // The file and separator whose header names last chose the columns.
    std::string namedFor;
};
