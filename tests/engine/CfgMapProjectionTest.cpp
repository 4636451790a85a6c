#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "CfgMapProjection.h"

TEST(CfgMapProjection, DefaultsDescribeGeographicWgs84)
{
    CCfgMapProjection r;
    EXPECT_EQ(r.semiMajorAxis, 6378137.0);
    EXPECT_EQ(r.inverseFlattening, 298.257223563);
    EXPECT_EQ(r.datumId, 4326);
    EXPECT_EQ(r.unitId, 9001);
    EXPECT_EQ(r.projectionId, 0);
    EXPECT_EQ(r.method, 0);
    EXPECT_TRUE(r.gridFile.empty());

    CCfgMapProjection changed;
    changed.deltaX = 12;
    changed.projectionId = 160;
    changed.gridFile = "/tmp/x.gsb";
    changed.scaleFactor = 0.9996;
    EXPECT_FALSE(changed.IsSameDefinition(r));
    changed.Reset();
    EXPECT_TRUE(changed.IsSameDefinition(r));
    EXPECT_TRUE(changed.gridFile.empty());
}

TEST(CfgMapProjection, GridFileIsNotPartOfTheDefinition)
{
    CCfgMapProjection a, b;
    a.method = b.method = METHOD_NTV2;
    a.gridFile = "/data/one.gsb";
    b.gridFile = "/data/two.gsb";
    EXPECT_TRUE(a.IsSameDefinition(b));
    EXPECT_TRUE(a.IsSameDatum(b));
}

TEST(CfgMapProjection, ProjectionFieldsAndUnitDoNotChangeTheDatum)
{
    CCfgMapProjection a, b;
    b.projectionId = 160;
    b.unitId = 9002;
    b.falseEasting = 500000;
    b.scaleFactor = 0.9996;
    b.longitudeOrigin = 9;
    EXPECT_TRUE(a.IsSameDatum(b));
    EXPECT_FALSE(a.IsSameDefinition(b));

    // The axis is compared by the engine, not by IsSameDatum.
    b = a;
    b.semiMajorAxis = 6378388.0;
    EXPECT_TRUE(a.IsSameDatum(b));
    EXPECT_FALSE(a.IsSameDefinition(b));
}

TEST(CfgMapProjection, ComparisonsAreExactToTheLastBit)
{
    CCfgMapProjection a, b;
    b.deltaY = std::nextafter(0.0, 1.0);
    EXPECT_FALSE(a.IsSameDatum(b));
    b = a;
    b.rectifiedGridAngle = std::nextafter(0.0, -1.0);
    EXPECT_FALSE(a.IsSameDefinition(b));
    b = a;
    b.datumId = 4230;
    EXPECT_FALSE(a.IsSameDatum(b));
}

TEST(CfgMapProjection, CopyOwnsItsGridFile)
{
    auto original = std::make_unique<CCfgMapProjection>();
    original->gridFile = "/data/ntv2_0.gsb";
    original->method = METHOD_NTV2;
    CCfgMapProjection copy;
    copy.gridFile = "/data/old.las";
    copy = *original;
    original.reset();
    EXPECT_EQ(copy.gridFile, "/data/ntv2_0.gsb");
    EXPECT_EQ(copy.method, METHOD_NTV2);
}
