#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <typeindex>

#include "ConformalOracle.h"
#include "ProjectionCassiniSoldner.h"
#include "ProjectionKrovak.h"
#include "ProjectionLambert.h"
#include "ProjectionMercator.h"
#include "ProjectionObliqueMercator.h"
#include "ProjectionObliqueStereo.h"
#include "ProjectionPolarStereo.h"
#include "ProjectionSwissMercator.h"
#include "ProjectionTransverseMercator.h"

using namespace conformal;

// Every conformal identifier, and the EPSG method codes translated to it,
// builds its class and records the identifier it was built for.
TEST(ConformalFactory, BuildsEachClassForItsIdentifiersAndEpsgCodes)
{
    const std::pair<int, std::type_index> table[] = {
        {100, typeid(CProjectionLambert)},          {101, typeid(CProjectionLambert)},
        {110, typeid(CProjectionLambert)},          {111, typeid(CProjectionLambert)},
        {140, typeid(CProjectionMercator)},         {150, typeid(CProjectionMercator)},
        {160, typeid(CProjectionTransverseMercator)}, {161, typeid(CProjectionTransverseMercator)},
        {170, typeid(CProjectionObliqueMercator)},  {180, typeid(CProjectionObliqueMercator)},
        {190, typeid(CProjectionSwissMercator)},    {210, typeid(CProjectionObliqueStereo)},
        {220, typeid(CProjectionPolarStereo)},      {230, typeid(CProjectionCassiniSoldner)},
        {240, typeid(CProjectionKrovak)},
    };
    for (const auto& [id, type] : table)
    {
        CCfgMapProjection r = Record(id, 6378137, 298.257223563);
        r.latitudeOrigin = 45;
        r.parallelNorth = 40;
        r.parallelSouth = 50;
        r.azimuth = 30;
        r.scaleFactor = 1;
        auto p = CreateProjection(r);
        EXPECT_EQ(std::type_index(typeid(*p)), type) << id;
        EXPECT_EQ(p->projectionId, id);
    }
    const std::pair<int, std::type_index> epsg[] = {
        {9801, typeid(CProjectionLambert)},        {9826, typeid(CProjectionLambert)},
        {9802, typeid(CProjectionLambert)},        {9803, typeid(CProjectionLambert)},
        {9804, typeid(CProjectionMercator)},       {9805, typeid(CProjectionMercator)},
        {9807, typeid(CProjectionTransverseMercator)}, {9808, typeid(CProjectionTransverseMercator)},
        {9812, typeid(CProjectionObliqueMercator)}, {9815, typeid(CProjectionObliqueMercator)},
        {9814, typeid(CProjectionSwissMercator)},  {9809, typeid(CProjectionObliqueStereo)},
        {9810, typeid(CProjectionPolarStereo)},    {9829, typeid(CProjectionPolarStereo)},
        {9806, typeid(CProjectionCassiniSoldner)}, {9819, typeid(CProjectionKrovak)},
    };
    for (const auto& [code, type] : epsg)
    {
        CCfgMapProjection r = Record(TranslateProjectionCode(code), 6378137, 298.257223563);
        auto p = CreateProjection(r);
        EXPECT_EQ(std::type_index(typeid(*p)), type) << code;
    }
}

// The same grid reached through an EPSG code and through its identifier
// gives the same coordinates.
TEST(ConformalFactory, EpsgCodeAndIdentifierGiveTheSameGrid)
{
    CCfgMapProjection viaCode = Record(TranslateProjectionCode(9807), 6378137, 298.257223563);
    viaCode.longitudeOrigin = 9;
    viaCode.scaleFactor = 0.9996;
    viaCode.falseEasting = 500000;
    CCfgMapProjection viaId = viaCode;
    viaId.projectionId = 160;
    const Pair a = Fwd(*CreateProjection(viaCode), 48, 11);
    const Pair b = Fwd(*CreateProjection(viaId), 48, 11);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
    EXPECT_GT(a[0], 600000);
}

// The cross-checks lean on cs2cs; without it they must fail, never pass.
TEST(ConformalFactory, MissingOracleIsAFailure)
{
    const char* saved = std::getenv("PATH");
    const std::string path = saved ? saved : "";
    setenv("PATH", "/nonexistent", 1);
    EXPECT_NONFATAL_FAILURE(Cs2cs("+proj=longlat +ellps=WGS84", "+proj=utm +zone=31 +ellps=WGS84", {{3, 50}}),
                            "cs2cs failed");
    setenv("PATH", path.c_str(), 1);
}
