#include <gtest/gtest.h>

#include <cmath>
#include <typeindex>
#include <typeinfo>

#include "ProjectionAlbers.h"
#include "ProjectionBonne.h"
#include "ProjectionCylEqArea.h"
#include "ProjectionEckert1.h"
#include "ProjectionEckert2.h"
#include "ProjectionEckert3.h"
#include "ProjectionEckert4.h"
#include "ProjectionEckert5.h"
#include "ProjectionEckert6.h"
#include "ProjectionEquirectangular.h"
#include "ProjectionGallStereo.h"
#include "ProjectionLambertAzimuthal.h"
#include "ProjectionLoximuthal.h"
#include "ProjectionMiller.h"
#include "ProjectionMollweide.h"
#include "ProjectionPlateCarree.h"
#include "ProjectionPolyconic.h"
#include "ProjectionRobinson.h"
#include "ProjectionSinusoidal.h"
#include "ProjectionWinkel1.h"
#include "WorldProjectionTestSupport.h"

using namespace worldtest;

TEST(WorldProjectionFactory, EveryIdentifierBuildsItsClass)
{
    const std::pair<int, std::type_index> table[] = {
        {120, typeid(CProjectionLambertAzimuthal)}, {130, typeid(CProjectionAlbers)},
        {250, typeid(CProjectionPolyconic)},        {260, typeid(CProjectionMollweide)},
        {271, typeid(CProjectionEckert1)},          {272, typeid(CProjectionEckert2)},
        {273, typeid(CProjectionEckert3)},          {274, typeid(CProjectionEckert4)},
        {275, typeid(CProjectionEckert5)},          {276, typeid(CProjectionEckert6)},
        {281, typeid(CProjectionWinkel1)},          {290, typeid(CProjectionCylEqArea)},
        {300, typeid(CProjectionSinusoidal)},       {310, typeid(CProjectionMiller)},
        {320, typeid(CProjectionBonne)},            {330, typeid(CProjectionGallStereo)},
        {340, typeid(CProjectionRobinson)},         {350, typeid(CProjectionEquirectangular)},
        {360, typeid(CProjectionLoximuthal)},       {370, typeid(CProjectionPlateCarree)},
    };
    for (const auto& [id, type] : table)
    {
        auto p = Make({id});
        EXPECT_EQ(std::type_index(typeid(*p)), type) << id;
    }
    // The catalogue's EPSG codes reach the same classes.
    for (const auto& [epsg, type] : {std::pair{9820, std::type_index(typeid(CProjectionLambertAzimuthal))},
                                     std::pair{9822, std::type_index(typeid(CProjectionAlbers))},
                                     std::pair{9818, std::type_index(typeid(CProjectionPolyconic))},
                                     std::pair{9851, std::type_index(typeid(CProjectionSinusoidal))}})
    {
        auto p = Make({TranslateProjectionCode(epsg)});
        EXPECT_EQ(std::type_index(typeid(*p)), type) << epsg;
    }
}

TEST(WorldProjectionFactory, SharedInitialiseTakesOnlyItsFields)
{
    // The simplest classes take the radius, the central meridian and the
    // false origin (in the record's unit) and nothing else from the record.
    for (int id : {330, 271, 272, 273, 275, 340, 310})
    {
        CCfgMapProjection r = Record({id, kWgs84InvF, 33, -45, 20, 10, 2000000, 1000000});
        r.unitId = 9003; // US survey foot
        r.scaleFactor = 0.9996;
        r.azimuth = 30;
        auto p = CreateProjection(r);
        EXPECT_EQ(p->a, kWgs84A) << id;
        EXPECT_DOUBLE_EQ(p->lambda0, -45 * kDegToRad) << id;
        EXPECT_NEAR(p->fe, 609601.2192, 1e-4) << id;
        EXPECT_NEAR(p->fn, 304800.6096, 1e-4) << id;
        EXPECT_EQ(p->phi0, 0) << id;
        EXPECT_EQ(p->phi1, 0) << id;
        EXPECT_EQ(p->f, 0) << id;
        EXPECT_EQ(p->e2, 0) << id;
        EXPECT_EQ(p->k0, 0) << id;
        EXPECT_EQ(p->alpha, 0) << id;
        EXPECT_FALSE(p->isSphere) << id;
        // The latitude of origin takes no part: the equator maps to fn.
        const auto [x, y] = Fwd(*p, 0, -45);
        EXPECT_NEAR(x, p->fe, 1e-6) << id;
        EXPECT_NEAR(y, p->fn, 1e-6) << id;
    }
}

TEST(WorldProjectionFactory, SphereFlagOnlyWhereThereIsASphereBranch)
{
    for (int id : {120, 130, 250, 320, 290, 300})
        EXPECT_TRUE(Make({id, 0})->isSphere) << id;
    for (int id : {260, 276, 340})
        EXPECT_FALSE(Make({id, 0})->isSphere) << id;
    // Albers on a sphere takes the limit of its formulas at e = 0: numbers,
    // checked against PROJ in the sphere tests.
    auto albers = Make({130, 0, 23, -96, 29.5, 45.5});
    const auto [x, y] = Fwd(*albers, 35, -75);
    EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
    // Mollweide and Eckert VI keep their sphere formulas whatever the
    // eccentricity fields hold.
    for (int id : {260, 276})
    {
        const auto s = Fwd(*Make({id, 0, 0, 10}), 40, 60);
        const auto e = Fwd(*Make({id, kWgs84InvF, 0, 10}), 40, 60);
        EXPECT_EQ(s, e) << id;
    }
}

TEST(WorldProjectionFactory, ScaleFactorAndLongitudeOfTheCylindricalEqualArea)
{
    CCfgMapProjection r = Record({290, kWgs84InvF, 30, 10});
    r.scaleFactor = 0.5; // not used: k0 comes from the standard parallel
    auto p = CreateProjection(r);
    EXPECT_NEAR(p->k0, std::cos(30 * kDegToRad) / std::sqrt(1 - 0.00669437999014 * 0.25), 1e-15);
    // Lambert azimuthal keeps the record's scale factor, unused by its formulas.
    CCfgMapProjection l = Record({120, kWgs84InvF, 52, 10});
    l.scaleFactor = 0;
    EXPECT_EQ(CreateProjection(l)->k0, 0);
}
