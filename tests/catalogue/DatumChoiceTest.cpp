#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "ConvertCoordinate.h"
#include "DatumLink.h"

namespace {

// cs2cs from an EPSG geographic system to WGS 84 at one point, as a user runs it:
// the operation PROJ chooses for that point. Latitude first, as EPSG orders the axes.
std::array<double, 2> Cs2csDefault(int code, double lat, double lon)
{
    char command[256];
    std::snprintf(command, sizeof command, "echo '%.12f %.12f' | cs2cs -f %%.10f EPSG:%d EPSG:4326 2>/dev/null", lat,
                  lon, code);
    std::array<double, 2> out{NAN, NAN};
    FILE* pipe = popen(command, "r");
    if (pipe == nullptr || std::fscanf(pipe, "%lf %lf", &out[0], &out[1]) != 2)
        ADD_FAILURE() << "cs2cs (proj-bin) did not answer: " << command;
    if (pipe != nullptr)
        pclose(pipe);
    return out;
}

struct Choice
{
    int datum;
    const char* name;
    int method;
    double dX, dY, dZ;
    const char* transformation; // the EPSG code the report names
    double lat, lon;             // a place in the datum's area
};

} // namespace

using DatumChoice = CatalogueTest;

// The transformation a shipped datum carries is the one cs2cs uses for most of
// the datum's map grids, then the one PROJ ranks first: the share of the
// datum's area covered, the stated accuracy, the area, the later version. Each
// then agrees with cs2cs's default where its grids are.
TEST_F(DatumChoice, ShippedDatumsCarryTheTransformationPROJPrefers)
{
    const Choice choices[] = {
        // OSGB36: the 2 m seven-parameter set, not the 21 m translation of the same area.
        {4277, "OSGB36", METHOD_BURSA_WOLF, 446.448, -125.157, 542.06, "EPSG:1314", 51.5072, -0.1276},
        // Amersfoort: four 1 m sets over the Netherlands; PROJ takes the latest, (4).
        {4289, "Amersfoort", METHOD_BURSA_WOLF, 565.4171, 50.3319, 465.5524, "EPSG:4833", 52.37, 4.89},
        // NAD27: of its thirty sets the one cs2cs uses for most of NAD27's map grids, west of the
        // Mississippi (Canada's covers more of the datum's loose area but few of its grids).
        {4267, "NAD27", METHOD_MOLODENSKY, -8, 159, 175, "EPSG:1175", 39.74, -104.99},
        // NAD83(HARN): the 1 m set of the conterminous states, where nearly all its grids lie.
        {4152, "NAD83(HARN)", METHOD_BURSA_WOLF, -0.991, 1.9072, 0.5129, "EPSG:1901", 35.2, -80.8},
        // Midway 1961: two sets of equal accuracy and area; the later, (2), not the lower code.
        {4727, "Midway 1961", METHOD_MOLODENSKY, 403, -81, 277, "EPSG:15818", 28.21, -177.37},
    };
    std::ifstream file(std::string(GEOLYNX_SOURCE_DIR) + "/data/catalogue/datums-report.txt");
    ASSERT_TRUE(file.good()) << "the generator's report is missing";
    std::stringstream report;
    report << file.rdbuf();

    CConversionContext context;
    for (const Choice& c : choices)
    {
        SCOPED_TRACE(c.name);
        CCfgMapProjection record;
        LoadDatumRecord(c.datum, record);
        EXPECT_EQ(record.method, c.method);
        EXPECT_NEAR(record.deltaX, c.dX, 1e-9);
        EXPECT_NEAR(record.deltaY, c.dY, 1e-9);
        EXPECT_NEAR(record.deltaZ, c.dZ, 1e-9);
        const std::string line = std::to_string(c.datum) + " " + c.name + ": " + c.transformation + " ";
        EXPECT_NE(report.str().find(line), std::string::npos) << line;

        double x = c.lon, y = c.lat, z = 0;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, c.datum, 0, 4326, 0), kConvertDone);
        const auto expected = Cs2csDefault(c.datum, c.lat, c.lon);
        // 1e-7 degrees is about a centimetre.
        EXPECT_NEAR(y, expected[0], 1e-7);
        EXPECT_NEAR(x, expected[1], 1e-7);
    }
}

TEST_F(DatumChoice, TheReportSaysWhyADatumHasNoTransformation)
{
    std::ifstream file(std::string(GEOLYNX_SOURCE_DIR) + "/data/catalogue/datums-report.txt");
    ASSERT_TRUE(file.good());
    std::string line;
    int lines = 0, none = 0, unexplained = 0;
    while (std::getline(file, line))
    {
        const size_t colon = line.find(": ");
        if (line.empty() || colon == std::string::npos || !std::isdigit(static_cast<unsigned char>(line[0])))
            continue;
        ++lines;
        const int code = std::stoi(line);
        const std::string method = Scalar("SELECT numMethod FROM tblDatums WHERE numId = " + std::to_string(code));
        if (line.compare(colon + 2, 6, "none: ") == 0)
        {
            ++none;
            EXPECT_EQ(method, "0") << line;
            if (line.size() < colon + 20)
                ++unexplained;
        }
        else if (code != 4326)
        {
            EXPECT_NE(method, "0") << line;
        }
    }
    // One line for every shipped datum.
    EXPECT_EQ(std::to_string(lines), Scalar("SELECT COUNT(*) FROM tblDatums"));
    EXPECT_GT(none, 0);
    EXPECT_EQ(unexplained, 0);
    // Anguilla 1957's only link is a geographic offset, carried as a translation with its error stated.
    EXPECT_NE(Scalar("SELECT numMethod FROM tblDatums WHERE numId = 4600"), "0");
}

// Datums that EPSG links to WGS 84 only through Helmert steps run backwards, in
// the geocentric domain or through another datum carry the steps combined into
// one set, which must convert as cs2cs runs the steps, within the centimetre
// the generator allows. A chain whose steps depend on the epoch stays unapplied.
TEST_F(DatumChoice, HelmertChainsAreCarriedWithinACentimetreOfCs2cs)
{
    const struct
    {
        int datum;
        const char* code; // the chain's first step
        double accuracy;  // root sum of squares of the steps
        double lat, lon;
    } chains[] = {
        {6990, "EPSG:9189", 0.1, 31.8, 35.0},      // one coordinate frame step, reversed
        {7139, "EPSG:6993", 0.1, 30.2, 34.9},      // forward, then reversed, through the intermediate system
        {8907, "EPSG:9751", 1.118, 9.9, -84.1},    // reversed, then another datum's seven parameters
        {9014, "EPSG:6936", 1.001, 33.3, 44.4},    // geocentric position vector, then a null step
        {9294, "EPSG:9298", 0.1, 23.6, 58.4},      // coordinate frame in the geocentric domain
        {9470, "EPSG:9472", 1.02, -6.2, 106.8},    // microradians, reversed, then a null step
        {8990, "EPSG:9145", 2.236, 48.0, 11.0},    // reversed, then PROJ's null step of the WGS 84 ensemble
        {9475, "EPSG:7704", 1.513, 40.0, -100.0},  // PZ-90.11 where cs2cs takes the world-wide chain
        {9475, "EPSG:7704", 1.513, -33.0, 151.0},
    };
    CConversionContext context;
    for (const auto& c : chains)
    {
        SCOPED_TRACE(c.datum);
        CDatumLink link;
        ASSERT_TRUE(LoadDatumLink(c.datum, link));
        EXPECT_EQ(link.kind, kLinkCarried);
        EXPECT_EQ(link.code, c.code);
        ASSERT_TRUE(link.accuracy.has_value());
        EXPECT_NEAR(*link.accuracy, c.accuracy, 1e-9);
        EXPECT_FALSE(link.Unusable());

        double x = c.lon, y = c.lat, z = 0;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, c.datum, 0, 4326, 0), kConvertDone);
        const auto expected = Cs2csDefault(c.datum, c.lat, c.lon);
        const double metresPerDegree = 6378137.0 * M_PI / 180;
        EXPECT_LT(std::hypot((y - expected[0]) * metresPerDegree,
                             (x - expected[1]) * metresPerDegree * std::cos(c.lat * M_PI / 180)),
                  0.01);
    }
    // ITRF96 reaches WGS 84 through GDA94 by a time-dependent step, PZ-90.02 through PZ-90 by one that
    // holds at its epoch alone (PROJ does not apply it either): no one set holds for every epoch.
    for (const int datum : {8995, 9474})
    {
        SCOPED_TRACE(datum);
        CDatumLink link;
        ASSERT_TRUE(LoadDatumLink(datum, link));
        EXPECT_EQ(link.kind, kLinkNotApplied);
        EXPECT_NE(link.note.find("epoch"), std::string::npos) << link.note;
        EXPECT_EQ(Scalar("SELECT numMethod FROM tblDatums WHERE numId = " + std::to_string(datum)), "0");
    }
}
