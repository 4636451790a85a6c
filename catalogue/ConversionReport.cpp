#include "ConversionReport.h"

#include <cmath>

#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"
#include "ProjectionIdentifiers.h"
#include "Projections.h"

namespace {

// EPSG's area of a datum is widened by this much: a point just off a coast or a border is no mistake.
constexpr double kDatumMargin = 1.0;
// Three UTM zones: a transverse Mercator grid used beside its own zone (all of Norway in zone 33)
// stays within this of its central meridian.
constexpr double kTransverseMercatorReach = 18.0;

bool LoadSide(int datumId, int gridId, CConversionReport::CSide& side)
{
    side.datumId = datumId;
    side.gridId = gridId;
    if (gridId != 0)
    {
        CCxString name("Unknown Grid");
        LookupGridName(gridId, name);
        side.gridName = name.str();
        side.record.Reset();
        side.record.datumId = 0;
        LoadGridRecord(side.record, gridId);
        if (side.record.datumId == 0)
            return false;
        LoadAreaOfUse(1, gridId, side.gridArea);
        side.gridArea.name = side.gridArea.name.empty() ? side.gridName : side.gridArea.name;
    }
    if (!LoadDatumLink(datumId, side.link))
        return false;
    LoadAreaOfUse(0, datumId, side.datumArea);
    return true;
}

bool TransverseMercator(int projectionId)
{
    return projectionId == kTransverseMercator || projectionId == kTransverseMercatorSouthOrientated;
}

std::string SystemName(const CConversionReport::CSide& side)
{
    return side.gridId != 0 ? side.gridName : side.link.datumName;
}

// Whether a leg counts in the accuracy: WGS 84 itself never does, nor a null leg to WGS 84 when the
// other leg's transformation is defined to that very datum (DHDN's grid to ETRS89, and ETRS89).
bool LegActs(const CDatumLink& leg, const CDatumLink& other)
{
    if (leg.kind == kLinkPivot)
        return false;
    return !(leg.Null() && other.target == leg.datumId);
}

} // namespace

bool CConversionReport::Load(int sourceDatumId, int sourceGridId, int destinationDatumId, int destinationGridId)
{
    source = CSide();
    destination = CSide();
    return LoadSide(sourceDatumId, sourceGridId, source) &&
           LoadSide(destinationDatumId, destinationGridId, destination);
}

const CConversionReport::CSide* CConversionReport::UnusableSide() const
{
    if (SameDatum())
        return nullptr;
    if (source.link.Unusable())
        return &source;
    if (destination.link.Unusable())
        return &destination;
    return nullptr;
}

std::string CConversionReport::UnusableText() const
{
    const CSide* side = UnusableSide();
    if (side == nullptr)
        return std::string();
    const CDatumLink& link = side->link;
    const std::string why = link.kind == kLinkNotApplied ? link.note : "EPSG has none";
    return "datum " + link.datumName + " (" + std::to_string(link.datumId) +
           ") has no usable transformation to WGS 84 (" + why + "): the result may be hundreds of metres off";
}

std::string CConversionReport::Accuracy(bool withPoint, double latitude, double longitude) const
{
    if (SameDatum())
        return "that of the projections alone (no datum change)";
    double sum = 0;
    for (const auto* legs : {&source, &destination})
    {
        const CDatumLink& leg = legs->link;
        const CDatumLink& other = legs == &source ? destination.link : source.link;
        if (!LegActs(leg, other))
            continue;
        if (leg.Unusable())
            return "unknown (" + leg.datumName + " has no usable transformation)";
        if (!leg.accuracy)
            return "unknown (" + leg.datumName + "'s transformation states none)";
        if (withPoint && !leg.area.Contains(latitude, longitude))
            return "unknown (the point lies outside the area of " + leg.datumName + "'s transformation)";
        sum += *leg.accuracy * *leg.accuracy;
    }
    return FormatAccuracy(std::round(std::sqrt(sum) * 1000) / 1000);
}

std::vector<std::string> CConversionReport::Explain(bool withPoint, double latitude, double longitude) const
{
    std::vector<std::string> lines;
    if (SameDatum())
        lines.push_back("no datum change: both sides on " + source.link.datumName);
    else
    {
        lines.push_back("source: " + SystemName(source) + ": " + source.link.Describe());
        lines.push_back("destination: " + SystemName(destination) + ": " + destination.link.Describe());
    }
    lines.push_back("accuracy: " + Accuracy(withPoint, latitude, longitude));
    return lines;
}

std::string CConversionReport::Outside(double latitude, double longitude) const
{
    for (const CSide* side : {&source, &destination})
    {
        if (!side->datumArea.Contains(latitude, longitude, kDatumMargin))
            return "outside the area of use of " + side->link.datumName + " (" + side->datumArea.name + ")";
        if (side->gridId != 0 && TransverseMercator(side->record.projectionId))
        {
            const double away = std::remainder(longitude - side->record.longitudeOrigin, 360.0);
            if (std::fabs(away) > kTransverseMercatorReach)
                return "outside the area of use of " + side->gridName + " (" + side->gridArea.name + ")";
        }
    }
    return std::string();
}

void CConversionReport::SetUpLocator(CProjections& engine) const
{
    CCfgMapProjection geographic = source.record;
    geographic.projectionId = kGeographic;
    engine.SetSource(source.record);
    engine.SetDestination(geographic);
}

bool CConversionReport::Locate(CProjections& engine, double x, double y, double& latitude, double& longitude) const
{
    if (source.gridId == 0)
    {
        latitude = y;
        longitude = x;
        return true;
    }
    engine.easting = x;
    engine.northing = y;
    engine.height = 0;
    engine.Transform();
    if (!engine.Failure().empty())
        return false;
    latitude = engine.latitude;
    longitude = engine.longitude;
    return true;
}
