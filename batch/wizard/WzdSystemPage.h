#pragma once

#include <cstdint>
#include <memory>

#include "WzdPage.h"

namespace Ui {
class CWzdSystemPage;
}

// What the source and the destination system pages share: the names of one
// side's grid and datum, a Select... button for each, and a Next that needs
// one of them. A chosen grid brings its datum; a chosen datum clears the
// grid. A choice is stored the moment it is confirmed. The side's heights are
// above the ellipsoid or above a geoid model of the catalogue (a table's are
// converted in the height fields of the table page).
class CWzdSystemPage : public CWzdPage
{
    Q_OBJECT
public:
    struct Texts
    {
        const char* caption;
        const char* headerTitle;
        const char* gridText;
        const char* datumText;
        const char* namePrefix; // of the controls' object names
        int missingMessage;     // Next with neither a grid nor a datum
    };

    CWzdSystemPage(CWzdSheet& sheet, const Texts& texts);
    ~CWzdSystemPage() override;

    void OnSetActive() override;
    bool validatePage() override;

protected:
    // The side's identifiers in the settings.
    virtual std::int32_t& GridId() const = 0;
    virtual std::int32_t& DatumId() const = 0;
    virtual std::int32_t& GeoidId() const = 0;

private:
    void SelectGrid();
    void SelectDatum();
    void Refresh();
    // The height choices: the ellipsoid and every geoid model, a model
    // whose file is in no grid folder marked so.
    void FillHeights();
    // The chosen model's file is in place; else false after saying which
    // file is missing and where it goes.
    bool GeoidUsable(int id) const;

    std::unique_ptr<Ui::CWzdSystemPage> ui;
    int missingMessage;
};
