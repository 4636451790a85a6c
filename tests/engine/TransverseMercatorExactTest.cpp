#include <gtest/gtest.h>

#include <GeographicLib/TransverseMercatorExact.hpp>

#include "ConformalOracle.h"

using namespace conformal;

namespace {

struct Ellipsoid
{
    const char* name;
    double a;
    double rf;
};

constexpr Ellipsoid kEllipsoids[] = {
    {"WGS 84", 6378137.0, 298.257223563},
    {"Clarke 1880 (RGS)", 6378249.145, 293.465},
    {"Airy 1830", 6377563.396, 299.3249646},
    {"Bessel 1841", 6377397.155, 299.1528128},
    {"International 1924", 6378388.0, 297.0},
};

// Largest difference from the exact projection allowed at a distance from
// the central meridian (grid distance over k0) up to the band's edge.
struct Band
{
    double edge;      // metres
    double tolerance; // metres
};

constexpr Band kBands[] = {{3.9e6, 1e-8}, {7.0e6, 1e-6}, {8.99e6, 1e-4}};

struct Grid
{
    int id;
    double lat0;
    double lon0;
    double k0;
    double fe;
    double fn;
};

constexpr Grid kGrids[] = {
    {160, 0, 3, 0.9996, 500000, 0},
    {160, 49, -2, 0.9996012717, 400000, -100000},
    {161, 0, 29, 1, 1000, 2000},
    {160, -41, 173, 0.9996, 1600000, 10000000},
};

CCfgMapProjection RecordOf(const Ellipsoid& e, const Grid& g)
{
    CCfgMapProjection r = Record(g.id, e.a, e.rf);
    r.latitudeOrigin = g.lat0;
    r.longitudeOrigin = g.lon0;
    r.scaleFactor = g.k0;
    r.falseEasting = g.fe;
    r.falseNorthing = g.fn;
    return r;
}

// Points on both sides of the equator and of the central meridian, out to
// nearly 90 degrees from it.
std::vector<Pair> Offsets()
{
    std::vector<Pair> pts;
    for (double lat = -89.5; lat <= 89.5; lat += 3.7)
        for (double dlon : {0.0, 0.5, 3.0, 6.0, 12.0, 20.0, 30.0, 40.0, 50.0, 60.0, 70.0, 80.0, 89.0, 89.99})
        {
            pts.push_back({lat, dlon});
            pts.push_back({lat, -dlon});
        }
    for (double dlon : {1.0, 10.0, 25.0, 35.0, 45.0, 55.0, 58.0})
        pts.push_back({0.0, dlon});
    return pts;
}

int BandOf(double distance)
{
    for (int i = 0; i < 3; ++i)
        if (distance <= kBands[i].edge)
            return i;
    return -1;
}

} // namespace

// Forward and inverse against GeographicLib's exact transverse Mercator for
// several ellipsoids and grids (normal and south orientated, origins off the
// equator, both hemispheres), band by band of distance from the central
// meridian; beyond the last band both directions refuse the point.
TEST(TransverseMercatorExact, SeriesAgreeBandByBandAndRefuseBeyond)
{
    for (const Ellipsoid& el : kEllipsoids)
        for (const Grid& g : kGrids)
        {
            const GeographicLib::TransverseMercatorExact exact(el.a, 1 / el.rf, g.k0);
            auto p = CreateProjection(RecordOf(el, g));
            const double sign = g.id == 161 ? -1 : 1;
            double y0, x0;
            exact.Forward(0, g.lat0, 0, x0, y0);
            double worst[2][3] = {};
            for (const Pair& o : Offsets())
            {
                double ex, ey, gamma, k;
                exact.Forward(0, o[0], o[1], ex, ey, gamma, k);
                const double distance = std::fabs(ex) / g.k0;
                if (std::fabs(distance - 9e6) < 1e4)
                    continue; // either side of the limit is right here
                const double gx = g.fe + sign * ex;
                const double gy = g.fn + sign * (ey - y0);
                const Pair xy = Fwd(*p, o[0], g.lon0 + o[1]);
                const Pair back = Inv(*p, gx, gy);
                const int band = BandOf(distance);
                const std::string where = std::string(el.name) + " grid " + std::to_string(&g - kGrids) + " lat " +
                                          std::to_string(o[0]) + " dlon " + std::to_string(o[1]);
                if (band < 0)
                {
                    EXPECT_TRUE(std::isnan(xy[0]) && std::isnan(xy[1])) << "forward kept " << where;
                    EXPECT_TRUE(std::isnan(back[0]) && std::isnan(back[1])) << "inverse kept " << where;
                    continue;
                }
                const double df = std::hypot(xy[0] - gx, xy[1] - gy);
                // Our inverse projected again by the exact forward, on the
                // ground (grid distance over the point scale).
                double bx, by;
                exact.Forward(0, back[0], back[1] - g.lon0, bx, by);
                const double di = std::hypot(g.fe + sign * bx - gx, g.fn + sign * (by - y0) - gy) / k;
                // Coordinates of ten thousand kilometres and more carry two
                // units in their last place of rounding besides.
                const double ulp = std::nextafter(std::max(std::fabs(gx), std::fabs(gy)), INFINITY) -
                                   std::max(std::fabs(gx), std::fabs(gy));
                EXPECT_LE(df, kBands[band].tolerance + 2 * ulp) << "forward " << where;
                EXPECT_LE(di, kBands[band].tolerance + 2 * ulp) << "inverse " << where;
                worst[0][band] = std::max(worst[0][band], std::isnan(df) ? INFINITY : df);
                worst[1][band] = std::max(worst[1][band], std::isnan(di) ? INFINITY : di);
            }
            std::printf("[ exact    ] %s grid %td: forward %.2g / %.2g / %.2g m, inverse %.2g / %.2g / %.2g m\n",
                        el.name, &g - kGrids, worst[0][0], worst[0][1], worst[0][2], worst[1][0], worst[1][1],
                        worst[1][2]);
        }
}

// The sphere against the closed form, x = a k0 atanh(cos phi sin dl) and
// y = a k0 (atan2(tan phi, cos dl) - phi0), both orientations, and the
// closed-form inverse of the same grid coordinate.
TEST(TransverseMercatorExact, SphereFollowsTheClosedForm)
{
    constexpr double R = 6371000;
    for (int id : {160, 161})
    {
        CCfgMapProjection r = Record(id, R, 0);
        r.latitudeOrigin = 10;
        r.longitudeOrigin = -20;
        r.scaleFactor = 0.9996;
        r.falseEasting = 300000;
        r.falseNorthing = 50000;
        auto p = CreateProjection(r);
        const double sign = id == 161 ? -1 : 1;
        for (const Pair& o : Offsets())
        {
            const double ph = o[0] * kDegToRad;
            const double dl = o[1] * kDegToRad;
            const double u = R * 0.9996 * std::atanh(std::cos(ph) * std::sin(dl));
            const double v = R * 0.9996 * (std::atan2(std::tan(ph), std::cos(dl)) - 10 * kDegToRad);
            const Pair xy = Fwd(*p, o[0], -20 + o[1]);
            if (std::fabs(u) / 0.9996 > 9.01e6)
            {
                EXPECT_TRUE(std::isnan(xy[0])) << o[0] << " " << o[1];
                continue;
            }
            if (std::fabs(u) / 0.9996 > 8.99e6)
                continue;
            EXPECT_NEAR(xy[0], 300000 + sign * u, 1e-8 * std::max(1.0, std::fabs(u) / 1e6)) << o[0] << " " << o[1];
            EXPECT_NEAR(xy[1], 50000 + sign * v, 1e-8 * std::max(1.0, std::fabs(v) / 1e6)) << o[0] << " " << o[1];
            const double D = v / (R * 0.9996) + 10 * kDegToRad;
            const double U = u / (R * 0.9996);
            const Pair back = Inv(*p, 300000 + sign * u, 50000 + sign * v);
            EXPECT_NEAR(back[0], std::asin(std::sin(D) / std::cosh(U)) / kDegToRad, 1e-12) << o[0] << " " << o[1];
            EXPECT_NEAR(back[1], -20 + std::atan2(std::sinh(U), std::cos(D)) / kDegToRad, 1e-12 / std::cos(ph))
                << o[0] << " " << o[1];
        }
    }
}

// Grid coordinates either side of the refusal limits: 9,000 km from the
// central meridian (over k0), and half a meridian north or south of the
// equator, where the grid leaves the image of the ellipsoid.
TEST(TransverseMercatorExact, GridCoordinatesBeyondTheImageAreRefused)
{
    CCfgMapProjection r = Record(160, 6378137.0, 298.257223563);
    r.longitudeOrigin = 3;
    r.scaleFactor = 0.9996;
    r.falseEasting = 500000;
    auto p = CreateProjection(r);
    const GeographicLib::TransverseMercatorExact exact(6378137.0, 1 / 298.257223563, 0.9996);
    double xPole, yPole;
    exact.Forward(0, 90, 0, xPole, yPole);
    const double halfMeridian = 2 * yPole; // the equator on the far side
    struct Case
    {
        double x, y;
        bool refused;
    } const cases[] = {
        {500000 + 0.9996 * 8.999e6, 1e6, false}, {500000 - 0.9996 * 8.999e6, -1e6, false},
        {500000 + 0.9996 * 9.001e6, 1e6, true},  {500000 - 0.9996 * 9.001e6, -1e6, true},
        {500000, halfMeridian - 1, false},      {500000, -halfMeridian + 1, false},
        {500000, halfMeridian + 1, true},       {500000, -halfMeridian - 1, true},
        {600000, 3 * halfMeridian, true},       {500000 + 0.9996 * 1e12, 0, true},
    };
    for (const Case& c : cases)
    {
        const Pair back = Inv(*p, c.x, c.y);
        EXPECT_EQ(std::isnan(back[0]) && std::isnan(back[1]), c.refused) << c.x << " " << c.y;
        if (!c.refused)
        {
            EXPECT_LE(std::fabs(back[0]), 90) << c.x << " " << c.y;
            double lat, lon;
            exact.Reverse(3, c.x - 500000, c.y, lat, lon);
            EXPECT_NEAR(back[0], lat, 1e-9) << c.x << " " << c.y;
            EXPECT_NEAR(LongitudeDifference(back[1], lon), 0, 1e-9) << c.x << " " << c.y;
        }
    }
    // Forward: the singular points on the equator 90 degrees from the central
    // meridian, and a point beside them that lies within the limit.
    for (double lon : {93.0, -87.0})
        EXPECT_TRUE(std::isnan(Fwd(*p, 0, lon)[0])) << lon;
    const Pair beside = Fwd(*p, 0, 3 + 55);
    double ex, ey;
    exact.Forward(3, 0, 58, ex, ey);
    // 7,370 km out: between 7,000 and 9,000 km the series keep to 0.1 mm.
    EXPECT_NEAR(beside[0], 500000 + ex, 1e-4);
    EXPECT_NEAR(beside[1], ey, 1e-4);
}
