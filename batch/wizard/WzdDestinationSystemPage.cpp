#include "WzdDestinationSystemPage.h"

#include "Messages.h"
#include "WzdSheet.h"

namespace {

const CWzdSystemPage::Texts kTexts{
    "Select Destination File",
    "Select the destination coordinate system to convert to",
    "Select the destination map grid, or keep untouched if it is Latitude / Longitude:",
    "If Latitude / Longitude, please select the destination map datum:",
    "destination",
    IDS_NO_DESTINATION_DATUM,
};

} // namespace

CWzdDestinationSystemPage::CWzdDestinationSystemPage(CWzdSheet& sheet) : CWzdSystemPage(sheet, kTexts)
{
}

std::int32_t& CWzdDestinationSystemPage::GridId() const
{
    return Settings().destinationGrid;
}

std::int32_t& CWzdDestinationSystemPage::DatumId() const
{
    return Settings().destinationDatum;
}

std::int32_t& CWzdDestinationSystemPage::GeoidId() const
{
    return Settings().destinationGeoid;
}

int CWzdDestinationSystemPage::nextId() const
{
    switch (Settings().ConversionType)
    {
    case CONVERSION_SHAPEFILE:
    case CONVERSION_VECTOR:
        return CWzdSheet::PageStart;
    case CONVERSION_DATABASE:
        return CWzdSheet::PageTable;
    default:
        return CWzdSheet::PageLayout;
    }
}
