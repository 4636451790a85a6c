#include <gtest/gtest.h>

#include <typeinfo>

#include "LengthUnits.h"
#include "ProjectionFactory.h"

TEST(ProjectionFactory, TranslatesEpsgMethodCodes)
{
    const std::pair<int, int> table[] = {
        {9801, 100}, {9826, 101}, {9802, 110}, {9803, 111}, {9820, 120}, {9822, 130}, {9804, 140},
        {9805, 150}, {9807, 160}, {9808, 161}, {9812, 180}, {9815, 170}, {9814, 190}, {9813, 200},
        {9809, 210}, {9810, 220}, {9829, 220}, {9806, 230}, {9819, 240}, {9818, 250}, {9851, 300},
        {1041, 241}, {1042, 242}, {1043, 243},
    };
    for (const auto& [epsg, internal] : table)
        EXPECT_EQ(TranslateProjectionCode(epsg), internal) << epsg;
    // Internal identifiers and anything else pass unchanged.
    for (int code : {0, 100, 160, 170, 180, 260, 370, 9999, -5})
        EXPECT_EQ(TranslateProjectionCode(code), code);
}

TEST(ProjectionFactory, IdentifiersWithoutAClassBuildTheBase)
{
    for (int id : {0, 201, 12345})
    {
        CCfgMapProjection r;
        r.projectionId = id;
        auto p = CreateProjection(r);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(typeid(*p), typeid(CProjection)) << id;
        p->phi = 0.5;
        p->lambda = 0.25;
        p->Forward();
        EXPECT_EQ(p->x, 0);
        EXPECT_EQ(p->y, 0);
        p->Inverse();
        EXPECT_EQ(p->phi, 0.5);
        EXPECT_EQ(p->lambda, 0.25);
    }
}
