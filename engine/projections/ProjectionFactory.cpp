#include "ProjectionFactory.h"

// conformal projection headers
#include "ProjectionCassiniSoldner.h"
#include "ProjectionKrovak.h"
#include "ProjectionKrovakNorth.h"
#include "ProjectionLaborde.h"
#include "ProjectionLambert.h"
#include "ProjectionLambertMichigan.h"
#include "ProjectionMercator.h"
#include "ProjectionObliqueMercator.h"
#include "ProjectionNewZealandMapGrid.h"
#include "ProjectionObliqueStereo.h"
#include "ProjectionPolarStereo.h"
#include "ProjectionPolarStereoC.h"
#include "ProjectionPseudoMercator.h"
#include "ProjectionSwissMercator.h"
#include "ProjectionTransverseMercator.h"
#include "ProjectionTransverseMercatorZoned.h"

// equal-area and world projection headers
#include "ProjectionAlbers.h"
#include "ProjectionBonne.h"
#include "ProjectionBonneSouth.h"
#include "ProjectionColombiaUrban.h"
#include "ProjectionCylEqArea.h"
#include "ProjectionEckert1.h"
#include "ProjectionEckert2.h"
#include "ProjectionEckert3.h"
#include "ProjectionEckert4.h"
#include "ProjectionEckert5.h"
#include "ProjectionEckert6.h"
#include "ProjectionEqualEarth.h"
#include "ProjectionEquidistantCylindrical.h"
#include "ProjectionEquirectangular.h"
#include "ProjectionGallStereo.h"
#include "ProjectionLambertAzimuthal.h"
#include "ProjectionLambertAzimuthalSpherical.h"
#include "ProjectionLoximuthal.h"
#include "ProjectionMiller.h"
#include "ProjectionMollweide.h"
#include "ProjectionPlateCarree.h"
#include "ProjectionPolyconic.h"
#include "ProjectionRobinson.h"
#include "ProjectionSinusoidal.h"
#include "ProjectionWinkel1.h"

namespace {

template <class T>
std::unique_ptr<CProjection> Make()
{
    return std::make_unique<T>();
}

// One row per identifier: the EPSG coordinate operation methods translated to
// it (0 where there are fewer than two) and the class that serves it; no
// class builds the base class.
struct ProjectionRow
{
    int identifier;
    int epsgMethods[2];
    std::unique_ptr<CProjection> (*factory)();
};

constexpr ProjectionRow kProjections[] = {
    {kLambertConic1SP, {9801, 0}, Make<CProjectionLambert>},
    {kLambertConicWestOrientated, {9826, 0}, Make<CProjectionLambert>},
    {kLambertConic2SP, {9802, 0}, Make<CProjectionLambert>},
    {kLambertConicBelgium, {9803, 0}, Make<CProjectionLambert>},
    {kLambertAzimuthalEqualArea, {9820, 0}, Make<CProjectionLambertAzimuthal>},
    {kAlbersEqualArea, {9822, 0}, Make<CProjectionAlbers>},
    {kMercatorVariantA, {9804, 0}, Make<CProjectionMercator>},
    {kMercatorVariantB, {9805, 0}, Make<CProjectionMercator>},
    {kTransverseMercator, {9807, 0}, Make<CProjectionTransverseMercator>},
    {kTransverseMercatorSouthOrientated, {9808, 0}, Make<CProjectionTransverseMercator>},
    {kHotineObliqueMercatorCentre, {9815, 0}, Make<CProjectionObliqueMercator>},
    {kHotineObliqueMercatorNatural, {9812, 0}, Make<CProjectionObliqueMercator>},
    {kSwissObliqueCylindrical, {9814, 0}, Make<CProjectionSwissMercator>},
    {kLabordeObliqueMercator, {9813, 0}, Make<CProjectionLaborde>},
    {kObliqueStereographic, {9809, 0}, Make<CProjectionObliqueStereo>},
    {kPolarStereographic, {9810, 9829}, Make<CProjectionPolarStereo>},
    {kCassiniSoldner, {9806, 0}, Make<CProjectionCassiniSoldner>},
    {kKrovak, {9819, 0}, Make<CProjectionKrovak>},
    {kAmericanPolyconic, {9818, 0}, Make<CProjectionPolyconic>},
    {kMollweide, {0, 0}, Make<CProjectionMollweide>},
    {kEckert1, {0, 0}, Make<CProjectionEckert1>},
    {kEckert2, {0, 0}, Make<CProjectionEckert2>},
    {kEckert3, {0, 0}, Make<CProjectionEckert3>},
    {kEckert4, {0, 0}, Make<CProjectionEckert4>},
    {kEckert5, {0, 0}, Make<CProjectionEckert5>},
    {kEckert6, {0, 0}, Make<CProjectionEckert6>},
    {kWinkel1, {0, 0}, Make<CProjectionWinkel1>},
    {kCylindricalEqualArea, {0, 0}, Make<CProjectionCylEqArea>},
    {kSinusoidal, {9851, 0}, Make<CProjectionSinusoidal>},
    {kMillerCylindrical, {0, 0}, Make<CProjectionMiller>},
    {kBonne, {0, 0}, Make<CProjectionBonne>},
    {kGallStereographic, {0, 0}, Make<CProjectionGallStereo>},
    {kRobinson, {0, 0}, Make<CProjectionRobinson>},
    {kEquirectangular, {0, 0}, Make<CProjectionEquirectangular>},
    {kLoximuthal, {0, 0}, Make<CProjectionLoximuthal>},
    {kPlateCarree, {0, 0}, Make<CProjectionPlateCarree>},
    {kLambertConicMichigan, {1051, 0}, Make<CProjectionLambertMichigan>},
    {kLambertAzimuthalEqualAreaSpherical, {1027, 0}, Make<CProjectionLambertAzimuthalSpherical>},
    {kPseudoMercator, {1024, 0}, Make<CProjectionPseudoMercator>},
    {kPolarStereographicC, {9830, 0}, Make<CProjectionPolarStereoC>},
    {kKrovakNorthOrientated, {1041, 0}, Make<CProjectionKrovakNorth>},
    {kKrovakModified, {1042, 0}, Make<CProjectionKrovakModified>},
    {kKrovakModifiedNorthOrientated, {1043, 0}, Make<CProjectionKrovakModifiedNorth>},
    {kEquidistantCylindrical, {1028, 0}, Make<CProjectionEquidistantCylindrical>},
    {kEquidistantCylindricalSpherical, {1029, 0}, Make<CProjectionEquidistantCylindrical>},
    {kEqualEarth, {1078, 0}, Make<CProjectionEqualEarth>},
    {kColombiaUrban, {1052, 0}, Make<CProjectionColombiaUrban>},
    {kNewZealandMapGrid, {9811, 0}, Make<CProjectionNewZealandMapGrid>},
    {kTransverseMercatorZoned, {9824, 0}, Make<CProjectionTransverseMercatorZoned>},
    {kBonneSouthOrientated, {9828, 0}, Make<CProjectionBonneSouth>},
};

} // namespace

std::unique_ptr<CProjection> CreateProjection(const CCfgMapProjection& record)
{
    std::unique_ptr<CProjection> p;
    for (const ProjectionRow& row : kProjections)
        if (row.identifier == record.projectionId && row.factory != nullptr)
            p = row.factory();
    if (!p)
        p = std::make_unique<CProjection>();
    p->Initialise(record);
    return p;
}

int TranslateProjectionCode(int code)
{
    for (const ProjectionRow& row : kProjections)
        if (code != 0 && (row.epsgMethods[0] == code || row.epsgMethods[1] == code))
            return row.identifier;
    return code;
}
