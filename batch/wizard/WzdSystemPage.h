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
// grid. A choice is stored the moment it is confirmed.
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

private:
    void SelectGrid();
    void SelectDatum();
    void Refresh();

    std::unique_ptr<Ui::CWzdSystemPage> ui;
    int missingMessage;
};
