#include "WzdSourceSystemPage.h"

#include "Messages.h"
#include "ShapefilePrj.h"
#include "WzdSheet.h"

namespace {

const CWzdSystemPage::Texts kTexts{
    "Select Source File",
    "Select the source coordinate system used",
    "Select the map grid used in the file, or keep untouched if it is Latitude / Longitude:",
    "If Latitude / Longitude, please select the map datum used in the file:",
    "source",
    IDS_NO_SOURCE_DATUM,
};

} // namespace

CWzdSourceSystemPage::CWzdSourceSystemPage(CWzdSheet& sheet) : CWzdSystemPage(sheet, kTexts)
{
}

std::int32_t& CWzdSourceSystemPage::GridId() const
{
    return Settings().sourceGrid;
}

std::int32_t& CWzdSourceSystemPage::DatumId() const
{
    return Settings().sourceDatum;
}

int CWzdSourceSystemPage::nextId() const
{
    return CWzdSheet::PageDestination;
}

void CWzdSourceSystemPage::OnSetActive()
{
    // A shapefile's .prj gives the default source system, once for each file chosen, so a system
    // the user selects afterwards is kept.
    if (Settings().ConversionType == CONVERSION_SHAPEFILE && Settings().sourceFile != prjOfferedFor)
    {
        prjOfferedFor = Settings().sourceFile;
        CPrjMatch match;
        std::string prj, why;
        if (ShapefileSourceSystem(prjOfferedFor, match, prj, why))
        {
            GridId() = match.gridId;
            DatumId() = match.datumId;
        }
    }
    CWzdSystemPage::OnSetActive();
}
