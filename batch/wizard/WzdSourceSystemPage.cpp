#include "WzdSourceSystemPage.h"

#include "ConvertVector.h"
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

std::int32_t& CWzdSourceSystemPage::GeoidId() const
{
    return Settings().sourceGeoid;
}

int CWzdSourceSystemPage::nextId() const
{
    return CWzdSheet::PageDestination;
}

void CWzdSourceSystemPage::OnSetActive()
{
    // A shapefile's .prj, or a vector file's own system, gives the default source system, once for
    // each file (and layer) chosen, so a system the user selects afterwards is kept.
    const BatchSettings& settings = Settings();
    const bool vector = settings.ConversionType == CONVERSION_VECTOR;
    const std::string offer = settings.sourceFile + (vector ? '\n' + settings.vectorLayer : std::string());
    if ((vector || settings.ConversionType == CONVERSION_SHAPEFILE) && offer != prjOfferedFor)
    {
        prjOfferedFor = offer;
        CPrjMatch match;
        std::string what, why;
        if (vector ? VectorSourceSystem(settings.sourceFile, settings.vectorLayer, match, what, why)
                   : ShapefileSourceSystem(settings.sourceFile, match, what, why))
        {
            GridId() = match.gridId;
            DatumId() = match.datumId;
        }
    }
    CWzdSystemPage::OnSetActive();
}
