#pragma once

// The engine's internal projection identifiers, as the catalogue stores them
// (or as the EPSG method codes the factory translates into them).
enum ProjectionIdentifier : int
{
    kGeographic = 0,
    kLambertConic1SP = 100,
    kLambertConicWestOrientated = 101,
    kLambertConic2SP = 110,
    kLambertConicBelgium = 111,
    kLambertAzimuthalEqualArea = 120,
    kAlbersEqualArea = 130,
    kMercatorVariantA = 140,
    kMercatorVariantB = 150,
    kTransverseMercator = 160,
    kTransverseMercatorSouthOrientated = 161,
    // EPSG's variant B (false origin at the projection centre) is 170 and its
    // variant A (false origin at the natural origin) 180.
    kHotineObliqueMercatorCentre = 170,
    kHotineObliqueMercatorNatural = 180,
    kSwissObliqueCylindrical = 190,
    kLabordeObliqueMercator = 200,
    kObliqueStereographic = 210,
    kPolarStereographic = 220,
    kCassiniSoldner = 230,
    kKrovak = 240,
    kAmericanPolyconic = 250,
    kMollweide = 260,
    kEckert1 = 271,
    kEckert2 = 272,
    kEckert3 = 273,
    kEckert4 = 274,
    kEckert5 = 275,
    kEckert6 = 276,
    kWinkel1 = 281,
    kCylindricalEqualArea = 290,
    kSinusoidal = 300,
    kMillerCylindrical = 310,
    kBonne = 320,
    kGallStereographic = 330,
    kRobinson = 340,
    kEquirectangular = 350,
    kLoximuthal = 360,
    kPlateCarree = 370,
};
