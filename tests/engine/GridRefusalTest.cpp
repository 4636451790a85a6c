#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "GridTestFiles.h"
#include "Projections.h"

namespace {

const std::string kProjData = "/usr/share/proj/";

CCfgMapProjection GridDatum(int datumId, double a, double rf, const std::string& file, int method = METHOD_NTV2)
{
    CCfgMapProjection d;
    d.datumId = datumId;
    d.semiMajorAxis = a;
    d.inverseFlattening = rf;
    d.method = method;
    d.gridFile = file;
    return d;
}

CCfgMapProjection Dhdn(const std::string& file = kProjData + "BETA2007.gsb")
{
    return GridDatum(4314, 6377397.155, 299.1528128, file);
}

CCfgMapProjection Ntf()
{
    return GridDatum(4275, 6378249.2, 293.4660212936269, kProjData + "ntf_r93.gsb");
}

CCfgMapProjection Nzgd49()
{
    return GridDatum(4272, 6378388, 297, kProjData + "nzgd2kgrid0005.gsb");
}

// cs2cs over lon/lat pairs in degrees.
std::vector<std::array<double, 2>> Cs2cs(const std::string& args, const std::vector<std::array<double, 2>>& in)
{
    gridtest::TempFolder tmp;
    std::ostringstream text;
    text.precision(17);
    for (const auto& p : in)
        text << p[0] << ' ' << p[1] << '\n';
    gridtest::WriteBytes(tmp.File("in.txt"), text.str());
    std::vector<std::array<double, 2>> out;
    FILE* pipe = popen(("cs2cs -f %.12f " + args + " < " + tmp.File("in.txt") + " 2>/dev/null").c_str(), "r");
    if (pipe != nullptr)
    {
        double lon, lat, h;
        while (std::fscanf(pipe, "%lf %lf %lf", &lon, &lat, &h) == 3)
            out.push_back({lon, lat});
        if (pclose(pipe) != 0)
            out.clear();
    }
    if (out.size() != in.size())
        ADD_FAILURE() << "cs2cs (proj-bin, proj-data) did not answer for " << args;
    return out;
}

void Convert(CProjections& engine, double lon, double lat)
{
    engine.longitude = lon;
    engine.latitude = lat;
    engine.height = 0;
    engine.Transform();
}

} // namespace

// A datum whose grid cannot be read is not converted at all: with no shift the
// point would come out 150 to 200 m off and look converted.
TEST(GridRefusal, UnreadableFilesNameThemselvesAndConvertNothing)
{
    ASSERT_TRUE(std::filesystem::exists(kProjData + "BETA2007.gsb")) << "install proj-data";
    gridtest::TempFolder tmp;
    const std::string whole = gridtest::ReadBytes(kProjData + "BETA2007.gsb");
    std::string corrupt = whole;
    corrupt.replace(56, 8, "DEGREES ");  // GS_TYPE: shifts in other units than arc seconds
    std::string wrongLabels = whole;
    wrongLabels.replace(0, 8, "GARBAGE!");
    gridtest::WriteBytes(tmp.File("empty.gsb"), "");
    gridtest::WriteBytes(tmp.File("header.gsb"), whole.substr(0, 176));
    gridtest::WriteBytes(tmp.File("truncated.gsb"), whole.substr(0, whole.size() / 2));
    gridtest::WriteBytes(tmp.File("corrupt.gsb"), corrupt);
    gridtest::WriteBytes(tmp.File("labels.gsb"), wrongLabels);
    std::filesystem::create_directory(tmp.File("folder.gsb"));

    for (const std::string name : {"missing.gsb", "empty.gsb", "header.gsb", "truncated.gsb", "corrupt.gsb",
                                   "labels.gsb", "folder.gsb", "unnamed"})
    {
        SCOPED_TRACE(name);
        const std::string path = tmp.File(name);
        for (bool asSource : {true, false})
        {
            CProjections engine;
            engine.SetSource(asSource ? Dhdn(path) : CCfgMapProjection());
            engine.SetDestination(asSource ? CCfgMapProjection() : Dhdn(path));
            EXPECT_EQ(engine.UnusableGridFile(), path);
            Convert(engine, 9, 50);
            EXPECT_NE(engine.Failure().find(path), std::string::npos) << engine.Failure();
            EXPECT_EQ(engine.longitude, 9);
            EXPECT_EQ(engine.latitude, 50);
        }
    }

    // The same engine once given the readable file converts again.
    CProjections engine;
    engine.SetSource(Dhdn(tmp.File("truncated.gsb")));
    engine.SetDestination(CCfgMapProjection());
    engine.SetSource(Dhdn());
    EXPECT_EQ(engine.UnusableGridFile(), "");
    Convert(engine, 9, 50);
    EXPECT_EQ(engine.Failure(), "");
    // PROJ: 8.998955 49.998852.
    EXPECT_NEAR(engine.longitude, 8.998955, 1e-6);
    EXPECT_NEAR(engine.latitude, 49.998852, 1e-6);

    // A datum the conversion does not need to shift (the same on both sides)
    // is not refused for its file.
    CProjections same;
    same.SetSource(Dhdn(tmp.File("missing.gsb")));
    same.SetDestination(Dhdn(tmp.File("missing.gsb")));
    EXPECT_EQ(same.UnusableGridFile(), "");
}

TEST(GridRefusal, APointNoSubGridCoversIsRefusedByName)
{
    for (bool asSource : {true, false})
    {
        CProjections engine;
        engine.SetSource(asSource ? Dhdn() : CCfgMapProjection());
        engine.SetDestination(asSource ? CCfgMapProjection() : Dhdn());
        // Paris lies outside BETA2007.
        Convert(engine, 2.35, 48.85);
        EXPECT_NE(engine.Failure().find("2.35"), std::string::npos) << engine.Failure();
        EXPECT_NE(engine.Failure().find("48.85"), std::string::npos) << engine.Failure();
        EXPECT_NE(engine.Failure().find("BETA2007.gsb"), std::string::npos) << engine.Failure();
        EXPECT_EQ(engine.longitude, 2.35);
        EXPECT_EQ(engine.latitude, 48.85);
        // The next point inside is converted.
        Convert(engine, 9, 50);
        EXPECT_EQ(engine.Failure(), "");
    }
}

// DHDN through BETA2007 to NTF through ntf_r93: each side shifts in its own
// grid. With one grid shared by both legs the result was 107 m from PROJ's.
TEST(GridRefusal, TwoGridDatumsEachKeepTheirOwnGrid)
{
    CProjections engine;
    engine.SetSource(Dhdn());
    engine.SetDestination(Ntf());
    EXPECT_EQ(engine.DatumGrid().kind, CDatumGrid::KIND_NTV2);
    EXPECT_EQ(engine.DestinationGrid().kind, CDatumGrid::KIND_NTV2);
    EXPECT_NE(&engine.DatumGrid(), &engine.DestinationGrid());

    Convert(engine, 7.75, 48.58);
    ASSERT_EQ(engine.Failure(), "");
    EXPECT_NEAR(engine.longitude, 7.749674824, 1e-8);
    EXPECT_NEAR(engine.latitude, 48.579059876, 1e-8);

    // Along the border where both grids hold, both ways.
    std::vector<std::array<double, 2>> points;
    for (double lon = 6.2; lon <= 8.2; lon += 0.25)
        for (double lat = 47.6; lat <= 49.4; lat += 0.3)
            points.push_back({lon, lat});
    const auto there = Cs2cs("+proj=longlat +ellps=bessel +nadgrids=BETA2007.gsb +to +proj=longlat "
                             "+a=6378249.2 +rf=293.4660212936269 +nadgrids=ntf_r93.gsb",
                             points);
    ASSERT_EQ(there.size(), points.size());
    CProjections back;
    back.SetSource(Ntf());
    back.SetDestination(Dhdn());
    for (size_t i = 0; i < points.size(); ++i)
    {
        Convert(engine, points[i][0], points[i][1]);
        ASSERT_EQ(engine.Failure(), "") << points[i][0] << " " << points[i][1];
        // 1e-8 degrees is about a millimetre.
        EXPECT_NEAR(engine.longitude, there[i][0], 1e-8) << points[i][0] << " " << points[i][1];
        EXPECT_NEAR(engine.latitude, there[i][1], 1e-8) << points[i][0] << " " << points[i][1];
        Convert(back, engine.longitude, engine.latitude);
        ASSERT_EQ(back.Failure(), "");
        EXPECT_NEAR(back.longitude, points[i][0], 1e-10);
        EXPECT_NEAR(back.latitude, points[i][1], 1e-10);
    }
}

// From the pivot to a grid datum the shift is iterated until the forward
// shift of the result gives back the input to 1e-10 degrees; the shift taken
// at the given point alone was 12 to 35 mm off PROJ's inverse.
TEST(GridRefusal, ReverseShiftIsTheExactInverseOfTheForward)
{
    std::vector<std::array<double, 2>> points;
    for (double lon = 172.5; lon <= 177.5; lon += 0.5)
        for (double lat = -45.5; lat <= -37.5; lat += 1)
            points.push_back({lon, lat});
    points.push_back({174.78, -41.29});
    const auto expected = Cs2cs("+proj=longlat +ellps=GRS80 +nadgrids=@null +to +proj=longlat +ellps=intl "
                                "+nadgrids=nzgd2kgrid0005.gsb",
                                points);
    ASSERT_EQ(expected.size(), points.size());

    CProjections toNzgd49, toWgs84;
    toNzgd49.SetSource(CCfgMapProjection());
    toNzgd49.SetDestination(Nzgd49());
    toWgs84.SetSource(Nzgd49());
    toWgs84.SetDestination(CCfgMapProjection());
    int compared = 0;
    for (size_t i = 0; i < points.size(); ++i)
    {
        SCOPED_TRACE(std::to_string(points[i][0]) + " " + std::to_string(points[i][1]));
        Convert(toNzgd49, points[i][0], points[i][1]);
        if (!toNzgd49.Failure().empty())
        {
            // Off the grid (the sea around New Zealand): PROJ leaves such a point too.
            EXPECT_NE(toNzgd49.Failure().find("nzgd2kgrid0005.gsb"), std::string::npos);
            continue;
        }
        EXPECT_NEAR(toNzgd49.longitude, expected[i][0], 1e-8);
        EXPECT_NEAR(toNzgd49.latitude, expected[i][1], 1e-8);
        Convert(toWgs84, toNzgd49.longitude, toNzgd49.latitude);
        ASSERT_EQ(toWgs84.Failure(), "");
        EXPECT_NEAR(toWgs84.longitude, points[i][0], 1e-10);
        EXPECT_NEAR(toWgs84.latitude, points[i][1], 1e-10);
        ++compared;
    }
    EXPECT_GT(compared, 40);
}

TEST(GridRefusal, AFileThatAppearsLaterIsLoadedOnTheNextConversion)
{
    gridtest::TempFolder tmp;
    const std::string path = tmp.File("BETA2007.gsb");
    CProjections engine;
    engine.SetSource(Dhdn(path));
    engine.SetDestination(CCfgMapProjection());
    EXPECT_EQ(engine.UnusableGridFile(), path);
    // The user copies the file into place; the same records arrive again.
    gridtest::WriteBytes(path, gridtest::ReadBytes(kProjData + "BETA2007.gsb"));
    engine.SetSource(Dhdn(path));
    engine.SetDestination(CCfgMapProjection());
    EXPECT_EQ(engine.UnusableGridFile(), "");
    Convert(engine, 9, 50);
    EXPECT_EQ(engine.Failure(), "");
    EXPECT_NEAR(engine.longitude, 8.998955, 1e-6);
}
