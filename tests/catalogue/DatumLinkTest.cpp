// Each datum's transformation to WGS 84, its accuracy and the areas a point should lie in, on the
// shipped catalogue: a copy made without the link tables, as an older version made it, gets them on
// first use.
#include <cmath>
#include <sstream>

#include "CatalogueFixture.h"
#include "ConversionReport.h"
#include "DatumLink.h"
#include "Projections.h"

namespace {

class DatumLinkTest : public CatalogueTest
{
};

TEST_F(DatumLinkTest, ShippedDatumsStateTheirTransformationAndAccuracy)
{
    ASSERT_EQ(Scalar("SELECT count(*) FROM sqlite_master WHERE name = 'tblTransformations'"), "0");
    const struct
    {
        int datum;
        int kind;
        const char* code;
        const char* name;
        double accuracy; // NaN: none stated
        int target;
    } cases[] = {
        {4277, kLinkCarried, "EPSG:1314", "OSGB36 to WGS 84 (6)", 2, 4326},
        {4289, kLinkCarried, "EPSG:4833", "Amersfoort to WGS 84 (4)", 1, 4326},
        {4267, kLinkCarried, "EPSG:1175", "NAD27 to WGS 84 (6)", 7, 4326},
        // A grid file, defined to ETRS89 rather than WGS 84.
        {4314, kLinkCarried, "EPSG:15948", "DHDN to ETRS89 (8)", 0.9, 4258},
        {4120, kLinkNotApplied, "EPSG:8643", "Greek to WGS 84 (1)", NAN, 4326},
        {3821, kLinkNone, "", "", NAN, 4326},
        {7084, kLinkNull, "EPSG:1671", "RGF93 v1 to WGS 84 (1)", 1, 4326},
        {9057, kLinkNull, "", "member of the WGS 84 datum ensemble", 2, 4326},
        {4326, kLinkPivot, "", "WGS 84 itself", 0, 4326},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.datum);
        CDatumLink link;
        ASSERT_TRUE(LoadDatumLink(c.datum, link));
        EXPECT_EQ(link.kind, c.kind);
        EXPECT_EQ(link.code, c.code);
        EXPECT_EQ(link.name, c.name);
        EXPECT_EQ(link.accuracy.has_value(), !std::isnan(c.accuracy));
        if (link.accuracy && !std::isnan(c.accuracy))
        {
            EXPECT_DOUBLE_EQ(*link.accuracy, c.accuracy);
        }
        EXPECT_EQ(link.target, c.target);
        EXPECT_EQ(link.Unusable(), c.kind == kLinkNone || c.kind == kLinkNotApplied);
    }
    CDatumLink greek;
    ASSERT_TRUE(LoadDatumLink(4120, greek));
    EXPECT_EQ(greek.note, "EPSG:8643, a chain of two operations, not applied");
    CDatumLink dhdn;
    ASSERT_TRUE(LoadDatumLink(4314, dhdn));
    EXPECT_EQ(dhdn.Describe(), "EPSG:15948 DHDN to ETRS89 (8), grid BETA2007.gsb, 0.9 m");

    // The older copy got both tables, and keeps its own rows as they were.
    EXPECT_EQ(Scalar("SELECT count(*) FROM tblTransformations"), Scalar("SELECT count(*) FROM tblDatums"));
    EXPECT_EQ(Scalar("SELECT strArea FROM tblAreas WHERE numKind = 0 AND numId = 4289"), "Netherlands - onshore");
    CDatumLink missing;
    EXPECT_FALSE(LoadDatumLink(123456, missing));
}

TEST_F(DatumLinkTest, UserDatumsWithoutStatementAreUserParametersOrUnknown)
{
    Sql("INSERT INTO tblDatums VALUES (50001, 'Mine', 7030, 8901, 1, '', 1, 2, 3, 0, 0, 0, 0)");
    Sql("INSERT INTO tblDatums VALUES (50002, 'Unlinked', 7030, 8901, 0, '', 0, 0, 0, 0, 0, 0, 0)");
    CDatumLink mine;
    ASSERT_TRUE(LoadDatumLink(50001, mine));
    EXPECT_EQ(mine.kind, kLinkUser);
    EXPECT_EQ(mine.Describe(), "user parameters, accuracy unknown");
    CDatumLink unlinked;
    ASSERT_TRUE(LoadDatumLink(50002, unlinked));
    EXPECT_TRUE(unlinked.Unusable());
}

TEST_F(DatumLinkTest, AccuracyIsTheRootSumOfSquaresOfTheLegsThatAct)
{
    const struct
    {
        int sourceDatum, sourceGrid, destinationDatum, destinationGrid;
        double latitude, longitude;
        const char* accuracy;
    } cases[] = {
        {4277, 0, 4326, 0, 52, -1, "2 m"},
        {4289, 28992, 4258, 0, 52, 5, "1.414 m"},
        // ETRS89's null leg is left out: DHDN's grid goes to ETRS89 itself.
        {4314, 0, 4258, 0, 50, 10, "0.9 m"},
        {4314, 0, 4326, 0, 50, 10, "0.9 m"},
        {4258, 0, 4326, 0, 50, 10, "1 m"},
        {4277, 27700, 4277, 0, 52, -1, "that of the projections alone (no datum change)"},
        {3821, 3828, 3821, 0, 24, 121, "that of the projections alone (no datum change)"},
        // Outside the area of OSGB36's transformation.
        {4277, 0, 4326, 0, 40, 20, "unknown (the point lies outside the area of OSGB36's transformation)"},
        {4120, 0, 4326, 0, 38, 23, "unknown (Greek has no usable transformation)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.sourceDatum) + " -> " + std::to_string(c.destinationDatum));
        CConversionReport report;
        ASSERT_TRUE(report.Load(c.sourceDatum, c.sourceGrid, c.destinationDatum, c.destinationGrid));
        EXPECT_EQ(report.Accuracy(true, c.latitude, c.longitude), c.accuracy);
        EXPECT_EQ(report.UnusableSide() != nullptr, c.sourceDatum == 4120);
    }
}

TEST_F(DatumLinkTest, PointsFarFromTheirSystemAreFlagged)
{
    const struct
    {
        int sourceDatum, sourceGrid, destinationDatum, destinationGrid;
        double latitude, longitude;
        const char* outside; // empty: quiet
    } cases[] = {
        // All of Norway in UTM zone 33, Bornholm in zone 32.
        {4326, 0, 4258, 25833, 59.9, 10.7, ""},
        {4326, 0, 4258, 25833, 60.4, 5.3, ""},
        {4326, 0, 4258, 25833, 70.0, 30.0, ""},
        {4326, 0, 4258, 25832, 55.1, 15.0, ""},
        // Five zones away from zone 33's central meridian, still in Europe.
        {4326, 0, 4258, 25833, 45.0, -15.0, "outside the area of use of ETRS89 / UTM zone 33N (Europe - 12°E to 18°E"},
        // London with latitude and longitude swapped, and the same on RD New.
        {4326, 0, 4277, 27700, -0.12, 51.5, "outside the area of use of OSGB36"},
        {4326, 0, 4289, 28992, 5.3, 52.1, "outside the area of use of Amersfoort (Netherlands - onshore)"},
        {4326, 0, 4289, 28992, 52.1, 5.3, ""},
        // Other projection classes: a conic's band of latitude (Texas North Central in Alaska, inside
        // NAD83's area), an azimuthal's arc from its centre or pole, a Mercator's own area widened.
        {4326, 0, 4171, 2154, 48.85, 2.35, ""},
        {4326, 0, 4171, 2154, 2.35, 48.85, "outside the area of use of RGF93 v1"},
        {4326, 0, 4269, 32138, 32.8, -97.3, ""},
        {4326, 0, 4269, 32138, 64.8, -147.7, "outside the area of use of NAD83 / Texas North Central (USA - Texas"},
        {4326, 0, 4326, 3031, -77.8, 166.7, ""},
        {4326, 0, 4326, 3031, -45.0, 170.0, ""},
        {4326, 0, 4326, 3031, 10.0, 20.0, "outside the area of use of WGS 84 / Antarctic Polar Stereographic (Ant"},
        {4326, 0, 4326, 32661, 62.0, 10.0, ""},
        {4326, 0, 4326, 32661, 30.0, 10.0, "outside the area of use of WGS 84 / UPS North (N,E)"},
        {4326, 0, 4326, 3575, 60.0, 10.0, ""},
        {4326, 0, 4326, 3575, -30.0, 10.0, "outside the area of use of WGS 84 / North Pole LAEA Europe"},
        {4326, 0, 4326, 3832, 20.0, -160.0, ""},
        {4326, 0, 4326, 3832, 0.0, -30.0, "outside the area of use of WGS 84 / PDC Mercator (Pacific Ocean)"},
        {4326, 0, 4326, 3395, -60.0, 100.0, ""},
        // The same class rule on the source side.
        {4326, 3031, 4326, 0, 10.0, 20.0, "outside the area of use of WGS 84 / Antarctic Polar Stereographic (Ant"},
        // The edges of the test every point passes first: a UTM zone's reach of 18 degrees either
        // side, a longitude given a turn beyond, the world's latitudes widened by a degree, no number.
        {4326, 0, 4326, 32631, 50.0, 21.0, ""},
        {4326, 0, 4326, 32631, 50.0, -15.0, ""},
        {4326, 0, 4326, 32631, 50.0, 21.5, "outside the area of use of WGS 84 / UTM zone 31N"},
        {4326, 0, 4326, 32631, 50.0, 363.0, ""},
        {4326, 0, 4326, 32631, 50.0, 385.0, "outside the area of use of WGS 84 / UTM zone 31N"},
        {4326, 0, 4326, 32631, 91.0, 3.0, ""},
        {4326, 0, 4326, 32631, 91.5, 3.0, "outside the area of use of WGS 84 ("},
        {4326, 0, 4326, 32631, 50.0, NAN, "outside the area of use of WGS 84 / UTM zone 31N"},
        // A datum's box across the antimeridian: New Zealand.
        {4326, 0, 4167, 0, -41.0, -176.5, ""},
        {4326, 0, 4167, 0, -41.0, -160.0, "outside the area of use of NZGD2000 (New Zealand)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.destinationGrid) + " at " + std::to_string(c.latitude) + " " +
                     std::to_string(c.longitude));
        CConversionReport report;
        ASSERT_TRUE(report.Load(c.sourceDatum, c.sourceGrid, c.destinationDatum, c.destinationGrid));
        const std::string outside = report.Outside(c.latitude, c.longitude);
        if (*c.outside == '\0')
        {
            EXPECT_EQ(outside, "");
        }
        else
        {
            EXPECT_EQ(outside.rfind(c.outside, 0), 0u) << outside;
        }
    }
}

// Every shipped grid's projection class holds over the grid's own area of use, so that a point the
// grid is made for is never flagged, whatever its class's reach (transverse Mercator keeps its
// fixed 18 degrees, and is left out for time).
TEST_F(DatumLinkTest, EveryShippedGridReachesOverItsOwnArea)
{
    CConversionReport first; // adds the link tables to the older copy
    ASSERT_TRUE(first.Load(4326, 0, 4326, 0));
    std::istringstream grids(Scalar(
        "SELECT group_concat(g.numId || ' ' || g.numDatum || ' ' || a.dblSouth || ' ' || a.dblNorth || ' ' || "
        "a.dblWest || ' ' || a.dblEast, ' ') FROM tblGrids g JOIN tblAreas a ON a.numKind = 1 AND a.numId = g.numId "
        "WHERE g.numProjection NOT IN (9807, 9808)"));
    int checked = 0;
    std::string misses;
    int grid = 0, datum = 0;
    double south = 0, north = 0, west = 0, east = 0;
    while (grids >> grid >> datum >> south >> north >> west >> east)
    {
        CConversionReport report;
        ASSERT_TRUE(report.Load(datum, grid, datum, 0)) << grid;
        const double width = east >= west ? east - west : east + 360 - west;
        for (int i = 0; i <= 2; ++i)
            for (int j = 0; j <= 2; ++j)
                if (!CConversionReport::Reaches(report.Source(), south + (north - south) * i / 2,
                                                std::remainder(west + width * j / 2, 360.0)))
                {
                    misses += " " + std::to_string(grid);
                    i = j = 3;
                }
        ++checked;
    }
    EXPECT_GT(checked, 1300);
    EXPECT_EQ(misses, "");
}

TEST_F(DatumLinkTest, AreasAcrossTheAntimeridianAndWidened)
{
    CAreaOfUse fiji{true, "Fiji", -20.0, -12.0, 176.0, -178.0};
    const struct
    {
        double latitude, longitude, margin;
        bool inside;
    } cases[] = {
        {-17, 178, 0, true}, {-17, -179, 0, true}, {-17, 175, 0, false}, {-17, 175, 1, true},
        {-17, -177.5, 0, false}, {-17, -177.5, 1, true}, {-11.5, 178, 0, false}, {-11.5, 178, 1, true},
        {-17, 0, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fiji.Contains(c.latitude, c.longitude, c.margin), c.inside)
            << c.latitude << " " << c.longitude << " " << c.margin;
}

TEST_F(DatumLinkTest, GridPointsAreLocatedOnTheirDatum)
{
    CConversionReport report;
    ASSERT_TRUE(report.Load(4277, 27700, 4326, 0));
    auto engine = std::make_unique<CProjections>();
    report.SetUpLocator(*engine);
    double latitude = 0, longitude = 0;
    // The grid's true origin: 49 N, 2 W.
    ASSERT_TRUE(report.Locate(*engine, 400000, -100000, latitude, longitude));
    EXPECT_NEAR(latitude, 49.0, 1e-9);
    EXPECT_NEAR(longitude, -2.0, 1e-9);
}

} // namespace

namespace {

TEST_F(DatumLinkTest, ShippedRowsTheUserChangedAreNoLongerEpsgs)
{
    // The record of shipped rows comes with an upgrade; then a changed row is the user's own.
    Sql("CREATE TABLE tblShipped (strTable TEXT, numId INTEGER, numRelease INTEGER, strSignature TEXT)");
    CDatumLink before;
    ASSERT_TRUE(LoadDatumLink(4277, before));
    EXPECT_EQ(before.kind, kLinkUser) << "an empty record holds no row";
    Sql("ATTACH DATABASE '" + std::string(GEOLYNX_PROGRAM_ROOT) + "/catalogue.db' AS shipped; "
        "INSERT INTO tblShipped SELECT * FROM shipped.tblShipped;");
    const struct
    {
        const char* change;
        int kind;
        const char* describe;
    } cases[] = {
        {"", kLinkCarried, "EPSG:1314 OSGB36 to WGS 84 (6), 2 m"},
        {"UPDATE tblDatums SET dblDeltaX = 446.0 WHERE numId = 4277", kLinkUser, "user parameters, accuracy unknown"},
        {"UPDATE tblDatums SET dblDeltaX = 446.448 WHERE numId = 4277", kLinkCarried,
         "EPSG:1314 OSGB36 to WGS 84 (6), 2 m"},
        {"UPDATE tblDatums SET strDatum = 'OSGB 1936' WHERE numId = 4277", kLinkUser,
         "user parameters, accuracy unknown"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.change);
        if (*c.change != '\0')
            Sql(c.change);
        CDatumLink link;
        ASSERT_TRUE(LoadDatumLink(4277, link));
        EXPECT_EQ(link.kind, c.kind);
        EXPECT_EQ(link.Describe(), c.describe);
    }
}

} // namespace

namespace {

TEST_F(DatumLinkTest, UsersStateTheirDatumsAccuracyOrThatItCoincidesWithWgs84)
{
    Sql("INSERT INTO tblDatums VALUES (50001, 'Mine', 7030, 8901, 1, '', 1, 2, 3, 0, 0, 0, 0)");
    Sql("INSERT INTO tblDatums VALUES (50002, 'On WGS 84', 7030, 8901, 0, '', 0, 0, 0, 0, 0, 0, 0)");
    const struct
    {
        int datum;
        bool coincides;
        std::optional<double> accuracy;
        bool saved;
        int kind;
        const char* describe;
    } cases[] = {
        {50001, false, 0.25, true, kLinkUser, "user parameters, 0.25 m"},
        {50001, false, std::nullopt, true, kLinkUser, "user parameters, accuracy unknown"},
        {50002, true, 0.1, true, kLinkNull, "the user's statement (coincides with WGS 84), 0.1 m"},
        {50002, false, 0.1, true, kLinkNone, "no transformation to WGS 84 known"},
        {50001, false, -1.0, false, kLinkUser, "user parameters, accuracy unknown"},
        // Shipped rows and rows not in the catalogue are not the user's to state.
        {4277, false, 5.0, false, kLinkCarried, "EPSG:1314 OSGB36 to WGS 84 (6), 2 m"},
        {50009, true, 1.0, false, kLinkNone, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.datum) + (c.coincides ? " coincides" : ""));
        EXPECT_EQ(SaveUserDatumLink(c.datum, c.coincides, c.accuracy), c.saved);
        CDatumLink link;
        if (LoadDatumLink(c.datum, link))
        {
            EXPECT_EQ(link.kind, c.kind);
            EXPECT_EQ(link.Describe(), c.describe);
        }
        else
        {
            EXPECT_EQ(std::string(c.describe), "");
        }
    }
    CConversionReport report;
    ASSERT_TRUE(report.Load(50002, 0, 4326, 0));
    EXPECT_TRUE(report.UnusableSide() != nullptr);
    ASSERT_TRUE(SaveUserDatumLink(50002, true, 0.1));
    ASSERT_TRUE(report.Load(50002, 0, 4326, 0));
    EXPECT_EQ(report.UnusableSide(), nullptr);
    EXPECT_EQ(report.Accuracy(), "0.1 m");
}

} // namespace
