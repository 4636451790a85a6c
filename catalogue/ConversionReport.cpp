#include "ConversionReport.h"

#include <algorithm>
#include <cmath>

#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"
#include "ProjectionIdentifiers.h"
#include "Projections.h"

namespace {

// EPSG's area of a datum is widened by this much: a point just off a coast or a border is no mistake.
constexpr double kDatumMargin = 1.0;

// Where each projection class keeps its stated accuracy. Transverse Mercator: three UTM zones from
// the central meridian (all of Norway in zone 33, Bornholm in zone 32). Conics: scale depends on
// latitude alone, so a band beyond the standard parallels (the origin's latitude for one parallel)
// and less than a quarter turn of longitude from the central meridian. Azimuthal projections: an arc
// from the centre, at least the minimum and past the farthest corner of the grid's area. Classes
// whose accuracy follows their own oblique line or zone: the grid's area widened. World projections
// hold everywhere.
using Reach = CConversionReport::CReach;
struct CClassReach
{
    int projectionId;
    Reach::Kind kind;
    double degrees; // the reach, or the margin beyond the grid's own extent
    double minimum; // azimuthal: the least arc from the centre
};
constexpr double kConicLongitudeReach = 90.0;
constexpr CClassReach kClassReaches[] = {
    {kTransverseMercator, Reach::kMeridian, 18, 0},
    {kTransverseMercatorSouthOrientated, Reach::kMeridian, 18, 0},
    {kLambertConic1SP, Reach::kLatitudeBand, 10, 0},
    {kLambertConicWestOrientated, Reach::kLatitudeBand, 10, 0},
    {kLambertConic2SP, Reach::kLatitudeBand, 10, 0},
    {kLambertConicBelgium, Reach::kLatitudeBand, 10, 0},
    {kLambertConicMichigan, Reach::kLatitudeBand, 10, 0},
    {kAlbersEqualArea, Reach::kLatitudeBand, 10, 0},
    {kObliqueStereographic, Reach::kFromCentre, 10, 20},
    {kLambertAzimuthalEqualArea, Reach::kFromCentre, 10, 20},
    {kLambertAzimuthalEqualAreaSpherical, Reach::kFromCentre, 10, 20},
    {kPolarStereographic, Reach::kFromCentre, 10, 40},
    {kPolarStereographicC, Reach::kFromCentre, 10, 40},
    {kMercatorVariantA, Reach::kGridArea, 5, 0},
    {kMercatorVariantB, Reach::kGridArea, 5, 0},
    {kHotineObliqueMercatorCentre, Reach::kGridArea, 5, 0},
    {kHotineObliqueMercatorNatural, Reach::kGridArea, 5, 0},
    {kSwissObliqueCylindrical, Reach::kGridArea, 5, 0},
    {kLabordeObliqueMercator, Reach::kGridArea, 5, 0},
    {kCassiniSoldner, Reach::kGridArea, 5, 0},
    {kKrovak, Reach::kGridArea, 5, 0},
    {kKrovakNorthOrientated, Reach::kGridArea, 5, 0},
    {kAmericanPolyconic, Reach::kGridArea, 5, 0},
    {kNewZealandMapGrid, Reach::kGridArea, 5, 0},
    {kColombiaUrban, Reach::kGridArea, 5, 0},
    {kTransverseMercatorZoned, Reach::kGridArea, 5, 0},
    {kBonne, Reach::kGridArea, 5, 0},
    {kBonneSouthOrientated, Reach::kGridArea, 5, 0},
};

// Degrees of arc between two points on the sphere.
double ArcBetween(double latitude1, double longitude1, double latitude2, double longitude2)
{
    constexpr double kRadian = M_PI / 180;
    const double cosine = std::sin(latitude1 * kRadian) * std::sin(latitude2 * kRadian) +
                          std::cos(latitude1 * kRadian) * std::cos(latitude2 * kRadian) *
                              std::cos((longitude2 - longitude1) * kRadian);
    return std::acos(std::clamp(cosine, -1.0, 1.0)) / kRadian;
}

// The farthest of a lattice over the area from a point: arc, or (latitude NaN) longitude alone.
double Farthest(const CAreaOfUse& area, double latitude, double longitude)
{
    if (!area.known)
        return 0;
    const double width = area.east >= area.west ? area.east - area.west : area.east + 360.0 - area.west;
    double farthest = 0;
    for (int i = 0; i <= 8; ++i)
        for (int j = 0; j <= 8; ++j)
        {
            const double lat = area.south + (area.north - area.south) * i / 8;
            const double lon = area.west + width * j / 8;
            farthest = std::max(farthest, std::isnan(latitude) ? std::fabs(std::remainder(lon - longitude, 360.0))
                                                               : ArcBetween(latitude, longitude, lat, lon));
        }
    return farthest;
}

Reach ReachOf(const CCfgMapProjection& record, const CAreaOfUse& area)
{
    Reach reach;
    const auto* row = std::find_if(std::begin(kClassReaches), std::end(kClassReaches),
                                   [&](const CClassReach& r) { return r.projectionId == record.projectionId; });
    if (row == std::end(kClassReaches))
        return reach;
    reach.kind = row->kind;
    reach.degrees = row->degrees;
    reach.centreLatitude = record.latitudeOrigin;
    reach.centreLongitude = record.longitudeOrigin;
    switch (row->kind)
    {
    case Reach::kLatitudeBand:
    {
        const bool oneParallel =
            record.projectionId == kLambertConic1SP || record.projectionId == kLambertConicWestOrientated;
        double south = oneParallel ? record.latitudeOrigin : std::min(record.parallelNorth, record.parallelSouth);
        double north = oneParallel ? record.latitudeOrigin : std::max(record.parallelNorth, record.parallelSouth);
        if (area.known)
        {
            south = std::min(south, area.south);
            north = std::max(north, area.north);
        }
        reach.south = south - row->degrees;
        reach.north = north + row->degrees;
        reach.degrees = std::max(kConicLongitudeReach, Farthest(area, NAN, record.longitudeOrigin));
        break;
    }
    case Reach::kFromCentre:
        if (record.projectionId == kPolarStereographic || record.projectionId == kPolarStereographicC)
        {
            reach.centreLatitude = record.latitudeOrigin < 0 ? -90 : 90;
            reach.centreLongitude = 0;
        }
        reach.degrees = std::max(row->minimum, Farthest(area, reach.centreLatitude, reach.centreLongitude)) +
                        row->degrees;
        break;
    default:
        break;
    }
    return reach;
}

// The datum area's bounds as CAreaOfUse::Contains widens them, for the quick test of every point.
CConversionReport::CSide::CQuick QuickOf(const CAreaOfUse& area)
{
    CConversionReport::CSide::CQuick quick;
    quick.ready = true;
    if (!area.known)
    {
        quick.everyLongitude = true;
        quick.south = -HUGE_VAL;
        quick.north = HUGE_VAL;
        return quick;
    }
    const double width = area.east >= area.west ? area.east - area.west : area.east + 360.0 - area.west;
    quick.everyLongitude = width + 2 * kDatumMargin >= 360.0;
    quick.south = area.south - kDatumMargin;
    quick.north = area.north + kDatumMargin;
    return quick;
}

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
        side.reach = ReachOf(side.record, side.gridArea);
    }
    if (!LoadDatumLink(datumId, side.link))
        return false;
    LoadAreaOfUse(0, datumId, side.datumArea);
    side.quick = QuickOf(side.datumArea);
    return true;
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
        bool inGrid = true;
        const CDatumLink leg = withPoint ? legs->link.AtPoint(latitude, longitude, inGrid) : legs->link;
        const CDatumLink& other = legs == &source ? destination.link : source.link;
        if (!LegActs(leg, other))
            continue;
        if (leg.Unusable())
            return "unknown (" + leg.datumName + " has no usable transformation)";
        if (!leg.accuracy)
            return "unknown (" + leg.datumName + "'s transformation states none)";
        if (withPoint && !leg.area.Contains(latitude, longitude))
            return "unknown (the point lies outside the area of " + leg.datumName + "'s transformation)";
        double stated = *leg.accuracy;
        // Without a point, a datum whose grid gives way to its Helmert outside the grid states the worse.
        if (!withPoint && leg.outsideGrid)
        {
            if (!leg.outsideGrid->accuracy)
                return "unknown (" + leg.datumName + "'s transformation outside its grid states none)";
            stated = std::max(stated, *leg.outsideGrid->accuracy);
        }
        sum += stated * stated;
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
    if (!SameDatum())
        for (const CSide* side : {&source, &destination})
        {
            if (!side->link.gridAdvice.empty())
                lines.push_back("exact: " + side->link.gridAdvice);
            const std::string atPoint = withPoint ? side->link.DescribeAtPoint(latitude, longitude) : "";
            if (!atPoint.empty())
                lines.push_back((side == &source ? "source grid: " : "destination grid: ") + atPoint);
        }
    return lines;
}

std::string CConversionReport::OutsideText(double latitude, double longitude) const
{
    for (const CSide* side : {&source, &destination})
    {
        if (!side->datumArea.Contains(latitude, longitude, kDatumMargin))
            return "outside the area of use of " + side->link.datumName + " (" + side->datumArea.name + ")";
        if (!Reaches(*side, latitude, longitude))
            return "outside the area of use of " + side->gridName + " (" + side->gridArea.name + ")";
    }
    return std::string();
}

bool CConversionReport::Reaches(const CSide& side, double latitude, double longitude)
{
    if (side.gridId == 0)
        return true;
    const CReach& reach = side.reach;
    // Most points lie within half a turn of the meridian, where the plain difference is the answer.
    const double difference = longitude - reach.centreLongitude;
    const double fromMeridian =
        std::fabs(difference) <= 180 ? std::fabs(difference) : std::fabs(std::remainder(difference, 360.0));
    switch (reach.kind)
    {
    case CReach::kMeridian:
        return fromMeridian <= reach.degrees;
    case CReach::kLatitudeBand:
        return latitude >= reach.south && latitude <= reach.north && fromMeridian <= reach.degrees;
    case CReach::kFromCentre:
        return ArcBetween(reach.centreLatitude, reach.centreLongitude, latitude, longitude) <= reach.degrees;
    case CReach::kGridArea:
        return side.gridArea.Contains(latitude, longitude, reach.degrees);
    case CReach::kEverywhere:
        break;
    }
    return true;
}

void CConversionReport::SetUpLocator(CProjections& engine) const
{
    CCfgMapProjection geographic = source.record;
    geographic.projectionId = kGeographic;
    engine.SetSource(source.record);
    engine.SetDestination(geographic);
}

bool CConversionReport::LocateOnGrid(CProjections& engine, double x, double y, double& latitude,
                                     double& longitude) const
{
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
