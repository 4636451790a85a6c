#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "Projections.h"

namespace {

using Xyz = std::array<double, 3>;

// PROJ's cct over geocentric triples; a failing tool fails the test and gives nothing.
std::vector<Xyz> Cct(const std::string& pipeline, const std::vector<Xyz>& in)
{
    char path[] = "/tmp/geolynx-cct-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
    {
        ADD_FAILURE() << "cannot create a temporary file for cct";
        return {};
    }
    std::ostringstream text;
    text.precision(17);
    for (const Xyz& p : in)
        text << p[0] << ' ' << p[1] << ' ' << p[2] << " 0\n";
    const std::string s = text.str();
    const bool written = write(fd, s.data(), s.size()) == static_cast<ssize_t>(s.size());
    close(fd);
    std::vector<Xyz> out;
    FILE* pipe = written ? popen(("cct -d 6 " + pipeline + " " + path + " 2>/dev/null").c_str(), "r") : nullptr;
    if (pipe != nullptr)
    {
        double x, y, z, t;
        while (std::fscanf(pipe, "%lf %lf %lf %lf", &x, &y, &z, &t) >= 3)
            out.push_back({x, y, z});
        if (pclose(pipe) != 0)
            out.clear();
    }
    std::remove(path);
    if (out.size() != in.size())
    {
        ADD_FAILURE() << "cct (proj-bin) did not answer for " << pipeline;
        return {};
    }
    return out;
}

// Fatu Iva 72 to WGS 84 as the catalogue ships it (position vector): large
// rotations (up to 71") and scale (186 ppm), where a first-order form and its
// sign-reversed inverse miss by decimetres.
CCfgMapProjection FatuIva72()
{
    CCfgMapProjection d;
    d.semiMajorAxis = 6378388;
    d.inverseFlattening = 297;
    d.method = METHOD_BURSA_WOLF;
    d.deltaX = 347.175;
    d.deltaY = 1077.618;
    d.deltaZ = 2623.677;
    d.rotationX = 33.9058;
    d.rotationY = -70.6776;
    d.rotationZ = 9.4013;
    d.scalePpm = 186.0647;
    return d;
}

std::vector<Xyz> PointsOnTheEllipsoid(const CCfgMapProjection& d)
{
    std::vector<Xyz> points;
    for (double lat = -80; lat <= 80; lat += 20)
        for (double lon = -180; lon < 180; lon += 30)
        {
            Xyz p;
            CProjections::GeodeticToGeocentric(lat * kDegToRad, lon * kDegToRad, 100, d, p[0], p[1], p[2]);
            points.push_back(p);
        }
    // Fatu Iva itself, 10.5 S 138.6 W.
    Xyz p;
    CProjections::GeodeticToGeocentric(-10.5 * kDegToRad, -138.6 * kDegToRad, 0, d, p[0], p[1], p[2]);
    points.push_back(p);
    return points;
}

} // namespace

TEST(BursaWolf, ForwardIsEpsgsPositionVectorFormula)
{
    const CCfgMapProjection d = FatuIva72();
    const std::vector<Xyz> points = PointsOnTheEllipsoid(d);
    char pipeline[256];
    std::snprintf(pipeline, sizeof pipeline,
                  "+proj=helmert +x=%.17g +y=%.17g +z=%.17g +rx=%.17g +ry=%.17g +rz=%.17g +s=%.17g "
                  "+convention=position_vector",
                  d.deltaX, d.deltaY, d.deltaZ, d.rotationX, d.rotationY, d.rotationZ, d.scalePpm);
    const std::vector<Xyz> expected = Cct(pipeline, points);
    ASSERT_EQ(expected.size(), points.size());
    double worst = 0;
    for (size_t i = 0; i < points.size(); ++i)
    {
        Xyz p = points[i];
        CProjections::BursaWolfForward(d, p[0], p[1], p[2]);
        const double miss = std::hypot(p[0] - expected[i][0], p[1] - expected[i][1], p[2] - expected[i][2]);
        EXPECT_LT(miss, 1e-4) << i;
        worst = std::max(worst, miss);
    }
    std::printf("  Fatu Iva 72 forward against cct's helmert: %.2e m\n", worst);

    // EPSG guidance note 7-2's example (WGS 72 to WGS 84, rz 0.554", ds 0.219
    // ppm) as PROJ computes it.
    CCfgMapProjection wgs72;
    wgs72.method = METHOD_BURSA_WOLF;
    wgs72.deltaZ = 4.5;
    wgs72.rotationZ = 0.554;
    wgs72.scalePpm = 0.219;
    double X = 3657660.66, Y = 255768.55, Z = 5201382.11;
    CProjections::BursaWolfForward(wgs72, X, Y, Z);
    EXPECT_NEAR(X, 3657660.7741, 1e-4);
    EXPECT_NEAR(Y, 255778.4300, 1e-4);
    EXPECT_NEAR(Z, 5201387.7491, 1e-4);
}

TEST(BursaWolf, InverseUndoesTheForwardExactly)
{
    const CCfgMapProjection d = FatuIva72();
    double worst = 0;
    for (const Xyz& start : PointsOnTheEllipsoid(d))
    {
        Xyz p = start;
        CProjections::BursaWolfForward(d, p[0], p[1], p[2]);
        CProjections::BursaWolfInverse(d, p[0], p[1], p[2]);
        const double miss = std::hypot(p[0] - start[0], p[1] - start[1], p[2] - start[2]);
        EXPECT_LT(miss, 1e-4);
        worst = std::max(worst, miss);
        // And the other way round: from WGS 84 and back.
        p = start;
        CProjections::BursaWolfInverse(d, p[0], p[1], p[2]);
        CProjections::BursaWolfForward(d, p[0], p[1], p[2]);
        EXPECT_LT(std::hypot(p[0] - start[0], p[1] - start[1], p[2] - start[2]), 1e-4);
    }
    std::printf("  Fatu Iva 72 round trip: %.2e m\n", worst);

    // Through the engine, geographic Fatu Iva 72 to WGS 84 and back.
    CProjections there, back;
    there.SetSource(d);
    there.SetDestination(CCfgMapProjection());
    back.SetSource(CCfgMapProjection());
    back.SetDestination(d);
    there.latitude = -10.47;
    there.longitude = -138.65;
    there.height = 0;
    there.Transform();
    ASSERT_EQ(there.Failure(), "");
    back.latitude = there.latitude;
    back.longitude = there.longitude;
    back.height = there.height;
    back.Transform();
    ASSERT_EQ(back.Failure(), "");
    // 1e-9 degrees is 0.1 mm.
    EXPECT_NEAR(back.latitude, -10.47, 1e-9);
    EXPECT_NEAR(back.longitude, -138.65, 1e-9);
    EXPECT_NEAR(back.height, 0, 1e-4);
}
