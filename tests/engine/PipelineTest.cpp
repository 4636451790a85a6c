#include <gtest/gtest.h>

#include <cmath>

#include "LengthUnits.h"
#include "Projections.h"

namespace {

CCfgMapProjection International1924(int method)
{
    CCfgMapProjection r;
    r.semiMajorAxis = 6378388.0;
    r.inverseFlattening = 297.0;
    r.datumId = 4230;
    r.method = method;
    return r;
}

void SetGeographic(CProjections& engine, double lat, double lon, double h)
{
    engine.latitude = lat;
    engine.longitude = lon;
    engine.height = h;
}

} // namespace

TEST(LengthUnits, FactorsInBothDirections)
{
    EXPECT_DOUBLE_EQ(FromUnits(9002, 1000), 304.8);
    EXPECT_DOUBLE_EQ(ToUnits(9002, 304.8), 1000);
    EXPECT_DOUBLE_EQ(FromUnits(9003, 2000000), 609601.2192024384);
    EXPECT_DOUBLE_EQ(ToUnits(9003, 0.304800609601219), 1.0);
    EXPECT_EQ(ToUnits(9036, 500000), 500);
    EXPECT_EQ(FromUnits(9036, 500), 500000);
    EXPECT_EQ(FromUnits(9001, 123.456), 123.456);
    EXPECT_EQ(FromUnits(4242, 123.456), 123.456); // unknown unit counts as metres
    EXPECT_EQ(ToUnits(4242, 123.456), 123.456);
    // Millimetres convert both ways, so such a grid round-trips.
    EXPECT_DOUBLE_EQ(ToUnits(9903, 1.5), 1500);
    EXPECT_DOUBLE_EQ(FromUnits(9903, 1500), 1.5);
    EXPECT_DOUBLE_EQ(CProjections::FromUnits(9094, 10), 3.04799710181509);
}

TEST(Geocentric, RoundTripAndPole)
{
    CCfgMapProjection wgs84;
    double X, Y, Z, phi, lambda, h;
    CProjections::GeodeticToGeocentric(0, 0, 0, wgs84, X, Y, Z);
    EXPECT_DOUBLE_EQ(X, 6378137.0);
    EXPECT_NEAR(Y, 0, 1e-9);
    EXPECT_NEAR(Z, 0, 1e-9);

    const double lat = 52.2 * kDegToRad, lon = -1.5 * kDegToRad;
    CProjections::GeodeticToGeocentric(lat, lon, 150.0, wgs84, X, Y, Z);
    h = 150.0;
    CProjections::GeocentricToGeodetic(X, Y, Z, wgs84, phi, lambda, h);
    EXPECT_NEAR(phi, lat, 1e-12);
    EXPECT_NEAR(lambda, lon, 1e-12);
    EXPECT_NEAR(h, 150.0, 1e-4);

    for (double pole : {90.0, -90.0})
    {
        CProjections::GeodeticToGeocentric(pole * kDegToRad, 0, 250, wgs84, X, Y, Z);
        h = 0;
        CProjections::GeocentricToGeodetic(X, Y, Z, wgs84, phi, lambda, h);
        EXPECT_NEAR(phi / kDegToRad, pole, 1e-9);
        EXPECT_NEAR(h, 250, 1e-6); // the height survives at the pole too
    }
}

TEST(Geocentric, SphereHasNoEccentricity)
{
    CCfgMapProjection sphere;
    sphere.semiMajorAxis = 6371000;
    sphere.inverseFlattening = 0;
    double X, Y, Z;
    CProjections::GeodeticToGeocentric(45 * kDegToRad, 0, 0, sphere, X, Y, Z);
    EXPECT_NEAR(X, Z, 1e-6);
    EXPECT_NEAR(std::hypot(X, Z), 6371000, 1e-6);
}

// EPSG guidance note 7-2, position vector transformation, WGS 72 to WGS 84.
TEST(BursaWolf, EpsgPositionVectorExample)
{
    CCfgMapProjection wgs72;
    wgs72.method = METHOD_BURSA_WOLF;
    wgs72.deltaZ = 4.5;
    wgs72.rotationZ = 0.554;
    wgs72.scalePpm = 0.219;
    double X = 3657660.66, Y = 255768.55, Z = 5201382.11;
    CProjections::BursaWolfForward(wgs72, X, Y, Z);
    EXPECT_NEAR(X, 3657660.78, 0.01);
    EXPECT_NEAR(Y, 255778.43, 0.01);
    EXPECT_NEAR(Z, 5201387.75, 0.01);

    CProjections::BursaWolfInverse(wgs72, X, Y, Z);
    EXPECT_NEAR(X, 3657660.66, 0.01);
    EXPECT_NEAR(Y, 255768.55, 0.01);
    EXPECT_NEAR(Z, 5201382.11, 0.01);
}

TEST(Pipeline, Wgs84ToWgs84IsUntouched)
{
    CProjections engine;
    engine.SetSource(CCfgMapProjection());
    engine.SetDestination(CCfgMapProjection());
    SetGeographic(engine, 51.123456789, -3.987654321, 123.456);
    engine.Transform();
    // Exact: no trip through geocentric coordinates is made.
    EXPECT_EQ(engine.latitude, 51.123456789);
    EXPECT_EQ(engine.longitude, -3.987654321);
    EXPECT_EQ(engine.height, 123.456);
}

TEST(Pipeline, GeocentricTranslationRaisesHeight)
{
    CCfgMapProjection shifted;
    shifted.datumId = 60001;
    shifted.method = METHOD_MOLODENSKY;
    shifted.deltaX = 100;
    CProjections engine;
    engine.SetSource(shifted);
    engine.SetDestination(CCfgMapProjection());
    SetGeographic(engine, 0, 0, 0);
    engine.Transform();
    EXPECT_NEAR(engine.latitude, 0, 1e-12);
    EXPECT_NEAR(engine.longitude, 0, 1e-12);
    EXPECT_NEAR(engine.height, 100, 1e-6);

    // And back: the destination leg subtracts the translation.
    CProjections back;
    back.SetSource(CCfgMapProjection());
    back.SetDestination(shifted);
    SetGeographic(back, 0, 0, 100);
    back.Transform();
    EXPECT_NEAR(back.height, 0, 1e-6);
}

TEST(Pipeline, SevenZeroParametersChangeOnlyTheEllipsoid)
{
    CProjections viaBursaWolf, viaNone;
    viaBursaWolf.SetSource(International1924(METHOD_BURSA_WOLF));
    viaNone.SetSource(International1924(METHOD_NONE));
    for (CProjections* e : {&viaBursaWolf, &viaNone})
    {
        e->SetDestination(CCfgMapProjection());
        SetGeographic(*e, 40.5, 2.25, 10);
        e->Transform();
    }
    EXPECT_EQ(viaBursaWolf.latitude, viaNone.latitude);
    EXPECT_EQ(viaBursaWolf.longitude, viaNone.longitude);
    EXPECT_EQ(viaBursaWolf.height, viaNone.height);
    // The ellipsoid change moved the point (geodetic latitudes differ by
    // about 0.002 degree between these ellipsoids at 40 degrees).
    EXPECT_GT(std::fabs(viaNone.latitude - 40.5), 1e-4);
    EXPECT_NEAR(viaNone.longitude, 2.25, 1e-12);

    // Round trip back onto the International ellipsoid.
    CProjections back;
    back.SetSource(CCfgMapProjection());
    back.SetDestination(International1924(METHOD_NONE));
    SetGeographic(back, viaNone.latitude, viaNone.longitude, viaNone.height);
    back.Transform();
    EXPECT_NEAR(back.latitude, 40.5, 1e-9);
    EXPECT_NEAR(back.height, 10, 1e-3);
}

TEST(Pipeline, SphereSkipsTheDatumLegs)
{
    CCfgMapProjection sphere;
    sphere.semiMajorAxis = 6371000;
    sphere.inverseFlattening = 0;
    sphere.datumId = 4035;
    sphere.method = METHOD_MOLODENSKY;
    sphere.deltaX = 500;
    CProjections engine;
    engine.SetSource(sphere);
    engine.SetDestination(CCfgMapProjection());
    SetGeographic(engine, 33.3, 44.4, 5);
    engine.Transform();
    EXPECT_EQ(engine.latitude, 33.3);
    EXPECT_EQ(engine.longitude, 44.4);
    EXPECT_EQ(engine.height, 5);
}

TEST(Pipeline, GridUnitsAndBaseProjection)
{
    // A grid whose identifier has no projection class: the inverse leaves the
    // fields of a new object, so the point lands at 0, 0.
    CCfgMapProjection grid;
    grid.projectionId = 200;
    grid.unitId = 9002;
    CProjections engine;
    engine.SetSource(grid);
    engine.SetDestination(CCfgMapProjection());
    engine.easting = 1000;
    engine.northing = 2000;
    engine.height = 7;
    engine.Transform();
    EXPECT_EQ(engine.latitude, 0);
    EXPECT_EQ(engine.longitude, 0);
    EXPECT_EQ(engine.height, 7);
    // The projection was handed metres.
    EXPECT_DOUBLE_EQ(engine.SourceProjection().x, 304.8);
    EXPECT_DOUBLE_EQ(engine.SourceProjection().y, 609.6);
}

TEST(Pipeline, SetSourceRebuildsOnlyOnChange)
{
    CProjections engine;
    CCfgMapProjection grid;
    grid.projectionId = 200;
    engine.SetSource(grid);
    const CProjection* first = &engine.SourceProjection();
    grid.gridFile = "/somewhere/else.gsb"; // not part of the definition
    engine.SetSource(grid);
    EXPECT_EQ(first, &engine.SourceProjection());
    EXPECT_EQ(engine.Source().gridFile, "");
    grid.falseEasting = 1;
    engine.SetSource(grid);
    EXPECT_EQ(engine.Source().falseEasting, 1);
}

TEST(Pipeline, EmptyGridShiftsNothingAndUnknownMethodDoesNothing)
{
    CCfgMapProjection gridDatum;
    gridDatum.datumId = 4267;
    gridDatum.semiMajorAxis = 6378206.4;
    gridDatum.inverseFlattening = 294.978698213898;
    gridDatum.method = METHOD_NADCON;
    gridDatum.gridFile = "/nonexistent/conus.las";
    CProjections engine;
    engine.SetSource(gridDatum);
    engine.SetDestination(CCfgMapProjection());
    SetGeographic(engine, 40, -100, 0);
    engine.Transform();
    EXPECT_EQ(engine.latitude, 40);
    EXPECT_EQ(engine.longitude, -100);
    EXPECT_EQ(engine.DatumGrid().kind, 0);

    gridDatum.method = 17;
    engine.SetSource(gridDatum);
    SetGeographic(engine, 40, -100, 0);
    engine.Transform();
    EXPECT_EQ(engine.latitude, 40);
}
