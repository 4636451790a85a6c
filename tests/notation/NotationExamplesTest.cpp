// Published worked examples, the references that must be refused, round trips
// of the grid references and where each notation may be used.
#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/OSGB.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "CfgMapProjection.h"
#include "MapNotation.h"
#include "MathConstants.h"
#include "ProjectionTransverseMercator.h"

namespace {

double Dms(double d, double m, double s)
{
    return d < 0 ? d - m / 60 - s / 3600 : d + m / 60 + s / 3600;
}

struct Written
{
    const char* source;
    MapNotation notation;
    double x; // longitude or easting
    double y; // latitude or northing
    int metres;
    const char* text;
};

// Positions with the reference their publisher gives for them.
const Written kWritten[] = {
    // The Washington Monument as the National Geodetic Survey positioned it
    // in 1999 (NAD 83), and its USNG address as published.
    {"NGS/USNG", MapNotation::Mgrs, Dms(-77, 2, 6.86378), Dms(38, 53, 22.08377), 1, "18SUJ2348306479"},
    {"NGS/USNG", MapNotation::Usng, Dms(-77, 2, 6.86378), Dms(38, 53, 22.08377), 1, "18S UJ 23483 06479"},
    {"NGS/USNG", MapNotation::Usng, Dms(-77, 2, 6.86378), Dms(38, 53, 22.08377), 10, "18S UJ 2348 0647"},
    // Honolulu's 10 km square as the grid's descriptions give it.
    {"MGRS", MapNotation::Mgrs, -157.8583, 21.3069, 10000, "04QFJ15"},
    // The poles: UPS's false origin, and the squares the grid names there.
    {"UPS", MapNotation::Mgrs, 0, 90, 1, "ZAH0000000000"},
    {"UPS", MapNotation::Mgrs, 0, -90, 1, "BAN0000000000"},
    {"UPS", MapNotation::Utm, 0, 90, 1, "UPS N 2000000.000 2000000.000"},
    {"UPS", MapNotation::Utm, 0, -90, 1, "UPS S 2000000.000 2000000.000"},
    // The Ordnance Survey's transverse Mercator worked example, Caister
    // water tower: E 651409.903, N 313177.270.
    {"OS", MapNotation::BritishGrid, 651409.903, 313177.270, 1, "TG 51409 13177"},
    {"OS", MapNotation::BritishGrid, 651409.903, 313177.270, 100, "TG 514 131"},
    {"OS", MapNotation::BritishGrid, 651409.903, 313177.270, 100000, "TG"},
    // Ordnance Survey Ireland: the Spire of Dublin at E 315904, N 234671 of
    // the Irish Grid is O 15904 34671; "G0305" is square G, 3 km east and
    // 5 km north of its south-west corner.
    {"OSi", MapNotation::IrishGrid, 315904, 234671, 1, "O 15904 34671"},
    {"OSi", MapNotation::IrishGrid, 315904, 234671, 100, "O 159 346"},
    {"OSi", MapNotation::IrishGrid, 103000, 305000, 1000, "G 03 05"},
};

// The text GeoConvert gives for a written example (GeographicLib's MGRS,
// UTMUPS and OSGB, the calls it makes), blanks left out; empty where it has
// none (the Irish Grid).
std::string OracleText(const Written& w)
{
    int digits = 0;
    ReferenceDigits(w.metres, digits);
    std::string text;
    if (w.notation == MapNotation::BritishGrid)
        GeographicLib::OSGB::GridReference(w.x, w.y, digits, text);
    if (w.notation == MapNotation::IrishGrid || w.notation == MapNotation::BritishGrid)
        return text;
    int zone = 0;
    bool north = false;
    double x = 0, y = 0;
    GeographicLib::UTMUPS::Forward(w.y, w.x, zone, north, x, y);
    if (w.notation != MapNotation::Utm)
    {
        GeographicLib::MGRS::Forward(zone, north, x, y, w.y, digits, text);
        return text;
    }
    char utm[80];
    std::snprintf(utm, sizeof utm, "%s%s%.3f%.3f", zone == 0 ? "UPS" : std::to_string(zone).c_str(),
                  north ? "N" : "S", x, y);
    return utm;
}

TEST(NotationExamples, PublishedPositionsWriteTheirPublishedReferences)
{
    int checked = 0;
    for (const Written& w : kWritten)
    {
        NotationStyle style;
        style.referenceMetres = w.metres;
        std::string text, why;
        EXPECT_TRUE(FormatNotation(w.notation, w.x, w.y, style, text, why)) << w.source << " " << why;
        EXPECT_EQ(text, w.text) << w.source;
        // GeoConvert writes the same.
        std::string packed = text;
        std::erase(packed, ' ');
        if (const std::string oracle = OracleText(w); !oracle.empty())
        {
            EXPECT_EQ(packed, oracle) << w.source << " " << w.text;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 11); // all but the Irish
}

struct Read
{
    const char* source;
    MapNotation notation;
    const char* text;
    double x; // centre of the square: longitude or easting
    double y;
    double tolerance; // degrees or metres
};

const Read kRead[] = {
    // GeographicLib's own documented example: 38SMB4488 is the square
    // [444 km, 445 km) x [3688 km, 3689 km) of zone 38N, Khulani Sq., Baghdad.
    {"GeographicLib", MapNotation::Utm, "38N 444500 3688500", 0, 0, 0},
    // The Washington Monument's USNG address read back: within a metre of
    // the surveyed position.
    {"NGS/USNG", MapNotation::Usng, "18S UJ 23483 06479", Dms(-77, 2, 6.86378), Dms(38, 53, 22.08377), 1e-5},
    // Ben Nevis, NN 166 712 on Ordnance Survey maps: the centre of its 100 m
    // square.
    {"OS", MapNotation::BritishGrid, "NN 166 712", 216650, 771250, 0},
    {"OS", MapNotation::BritishGrid, "nn166712", 216650, 771250, 0},
};

TEST(NotationExamples, PublishedReferencesReadAsPublished)
{
    double baghdadLon = 0, baghdadLat = 0;
    std::string why;
    ASSERT_TRUE(ParseNotation(MapNotation::Mgrs, "38SMB4488", baghdadLon, baghdadLat, why)) << why;
    for (const Read& r : kRead)
    {
        double x = 0, y = 0;
        EXPECT_TRUE(ParseNotation(r.notation, r.text, x, y, why)) << r.source << " " << r.text << ": " << why;
        if (r.notation == MapNotation::Utm)
        {
            // The MGRS square's centre and the UTM coordinate name one point.
            EXPECT_NEAR(x, baghdadLon, 1e-9) << r.text;
            EXPECT_NEAR(y, baghdadLat, 1e-9) << r.text;
            continue;
        }
        EXPECT_NEAR(x, r.x, r.tolerance) << r.source << " " << r.text;
        EXPECT_NEAR(y, r.y, r.tolerance) << r.source << " " << r.text;
    }
}

// Irish Grid references quoted for known summits and headlands, checked
// against the engine's own Irish Grid (TM75 constants) from their latitude
// and longitude: each must name a square within 2 km of the place.
struct IrishPlace
{
    const char* text;
    double lat;
    double lon;
};

TEST(NotationExamples, IrishReferencesLieWhereTheirPlacesAre)
{
    const IrishPlace places[] = {
        {"V 80 84", 51.9992, -9.7428},   // Carrauntoohil
        {"O 285 376", 53.3730, -6.0650}, // Howth Head, County Dublin
    };
    CCfgMapProjection r;
    r.semiMajorAxis = 6377340.189;
    r.inverseFlattening = 299.3249646;
    r.projectionId = kTransverseMercator;
    r.scaleFactor = 1.000035;
    r.latitudeOrigin = 53.5;
    r.longitudeOrigin = -8;
    r.falseEasting = 200000;
    r.falseNorthing = 250000;
    CProjectionTransverseMercator tm;
    tm.Initialise(r);
    for (const IrishPlace& p : places)
    {
        double e = 0, n = 0;
        std::string why;
        ASSERT_TRUE(ParseNotation(MapNotation::IrishGrid, p.text, e, n, why)) << p.text << ": " << why;
        tm.phi = p.lat * kDegToRad;
        tm.lambda = p.lon * kDegToRad;
        tm.Forward();
        EXPECT_NEAR(e, tm.x, 2000) << p.text;
        EXPECT_NEAR(n, tm.y, 2000) << p.text;
    }
}

struct Refused
{
    MapNotation notation;
    const char* text;
    const char* reason; // a part of the reason given
};

// References that must be refused, with the reason. Those marked * are taken
// by GeographicLib's MGRS.
const Refused kRefused[] = {
    {MapNotation::Mgrs, "31UFI3729462926", "I and O"},
    {MapNotation::Mgrs, "31UOT3729462926", "I and O"},
    {MapNotation::Mgrs, "32XNE1234512345", "does not exist"}, // *
    {MapNotation::Mgrs, "34XEF1234512345", "does not exist"},
    {MapNotation::Mgrs, "36XWA1234512345", "does not exist"},
    {MapNotation::Mgrs, "61UFT1234", "zone 61"},
    {MapNotation::Mgrs, "0UFT1234", "zone 0"},
    {MapNotation::Mgrs, "31AFT1234", "no latitude band"},
    {MapNotation::Mgrs, "CFT1234", "UPS"},
    {MapNotation::Mgrs, "31U", "grid zone, not a square"},
    {MapNotation::Mgrs, "31UF", "not 2 letters"},
    {MapNotation::Mgrs, "31UFT372946292", "odd count"},
    {MapNotation::Mgrs, "31U FT 37294 6292", "as many"},
    {MapNotation::Mgrs, "31U FT 37 29 46", "more than two groups"},
    {MapNotation::Mgrs, "31UFT372946292612", "finer than 1 m"},
    {MapNotation::Mgrs, "31U-FT", "does not belong"},
    {MapNotation::Mgrs, "38WLS0000000000", "band W covers"},  // *
    {MapNotation::Mgrs, "38VLS9999999999", "band V covers"},  // *
    {MapNotation::Mgrs, "31VEE12341234", "zone 31V covers"},  // *
    {MapNotation::Mgrs, "38VMS", "not in zone/band"},
    {MapNotation::Usng, "18S UJ 2348 06479", "as many"},
    {MapNotation::Utm, "31X 637294.366 5762926.813", "zone and hemisphere"},
    {MapNotation::Utm, "61N 500000 0", "zone 61"},
    {MapNotation::Utm, "31N 637294.366", "zone and hemisphere"},
    {MapNotation::Utm, "31N 6.37e5 5762926.813", "plain numbers"},
    {MapNotation::Utm, "31N 2000000 5762926.813", "range"},
    {MapNotation::BritishGrid, "TQ 3004 80358", "as many"},
    {MapNotation::BritishGrid, "TQ300438035", "odd count"},
    {MapNotation::BritishGrid, "TI 12 34", "letter I"},
    {MapNotation::BritishGrid, "T 12 34", "two letters"},
    {MapNotation::BritishGrid, "JN 12 34", "outside"},
    {MapNotation::BritishGrid, "AA", "outside"},
    {MapNotation::BritishGrid, "31U TQ", "starts with its letters"},
    {MapNotation::BritishGrid, "TQ 123456 123456", "finer than 1 m"},
    {MapNotation::IrishGrid, "I 12 34", "letter I"},
    {MapNotation::IrishGrid, "TQ 12 34", "one letter"},
    {MapNotation::IrishGrid, "O 1234 567", "as many"},
    {MapNotation::IrishGrid, "O 12.5 34", "does not belong"},
};

TEST(NotationExamples, InvalidReferencesAreRefusedWithTheReason)
{
    for (const Refused& r : kRefused)
    {
        double x = 123, y = 456;
        std::string why;
        EXPECT_FALSE(ParseNotation(r.notation, r.text, x, y, why)) << r.text;
        EXPECT_NE(why.find(r.reason), std::string::npos) << r.text << ": " << why;
        EXPECT_EQ(x, 123) << r.text << " changed the point it refused";
        EXPECT_EQ(y, 456) << r.text;
    }
}

// Points that have no reference in a notation.
TEST(NotationExamples, PointsWithoutAReferenceAreRefused)
{
    const Written outside[] = {
        {"", MapNotation::BritishGrid, -1, 100, 1, "outside"},
        {"", MapNotation::BritishGrid, 700000, 100, 1, "outside"},
        {"", MapNotation::BritishGrid, 100, 1300000, 1, "outside"},
        {"", MapNotation::IrishGrid, 500000, 100, 1, "outside"},
        {"", MapNotation::IrishGrid, NAN, 100, 1, "not a number"},
        {"", MapNotation::Mgrs, 0, 91, 1, "beyond the poles"},
        {"", MapNotation::Mgrs, 0, 50, 5, "1, 10, 100"},
        {"", MapNotation::Utm, INFINITY, 50, 1, "not a number"},
    };
    for (const Written& w : outside)
    {
        NotationStyle style;
        style.referenceMetres = w.metres;
        std::string text, why;
        EXPECT_FALSE(FormatNotation(w.notation, w.x, w.y, style, text, why)) << text;
        EXPECT_NE(why.find(w.text), std::string::npos) << why;
    }
    // A fixed zone beyond the reach of its grid.
    NotationStyle style;
    style.utmZone = 31;
    std::string text, why;
    EXPECT_FALSE(FormatNotation(MapNotation::Utm, 100, 50, style, text, why));
    EXPECT_TRUE(FormatNotation(MapNotation::Utm, 6.5, 50, style, text, why)) << why;
    EXPECT_EQ(text.substr(0, 4), "31N ");
}

// British references at random points of the grid against GeographicLib's
// OSGB, and both grids read back within half their square.
TEST(NotationExamples, GridReferencesMatchTheOracleAndReadBackWithinHalfTheirSquare)
{
    std::mt19937_64 random(27700);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < 20000; ++i)
    {
        const bool british = i % 2 == 0;
        const double e = unit(random) * (british ? 700000 : 500000);
        const double n = unit(random) * (british ? 1300000 : 500000);
        const int digits = i / 2 % 6;
        NotationStyle style;
        style.referenceMetres = static_cast<int>(std::pow(10, 5 - digits));
        const MapNotation notation = british ? MapNotation::BritishGrid : MapNotation::IrishGrid;
        std::string text, why;
        ASSERT_TRUE(FormatNotation(notation, e, n, style, text, why)) << why;
        if (british)
        {
            std::string oracle;
            GeographicLib::OSGB::GridReference(e, n, digits, oracle);
            std::string packed = text;
            std::erase(packed, ' ');
            ASSERT_EQ(packed, oracle) << e << " " << n;
        }
        double re = 0, rn = 0;
        ASSERT_TRUE(ParseNotation(notation, text, re, rn, why)) << text << ": " << why;
        ASSERT_LE(std::fabs(re - e), style.referenceMetres / 2.0) << text;
        ASSERT_LE(std::fabs(rn - n), style.referenceMetres / 2.0) << text;
    }
}

// The Irish letters: A at the north-west, V at the false origin, Z at the
// south-east, I left out.
TEST(NotationExamples, IrishLettersFollowTheirLayout)
{
    const struct
    {
        const char* square;
        double e;
        double n;
    } squares[] = {{"A", 50000, 450000}, {"E", 450000, 450000}, {"H", 250000, 350000}, {"J", 350000, 350000},
                   {"O", 350000, 250000}, {"V", 50000, 50000}, {"Z", 450000, 50000}};
    for (const auto& s : squares)
    {
        double e = 0, n = 0;
        std::string why;
        ASSERT_TRUE(ParseNotation(MapNotation::IrishGrid, s.square, e, n, why)) << why;
        EXPECT_EQ(e, s.e) << s.square;
        EXPECT_EQ(n, s.n) << s.square;
    }
}

struct Fit
{
    MapNotation notation;
    int gridId;
    double a;
    double rf;
    double falseEasting;
    double falseNorthing;
    bool applies;
    const char* says; // part of the reason or remark
};

TEST(NotationExamples, NotationsAreOfferedOnlyWhereTheyApply)
{
    const Fit fits[] = {
        {MapNotation::Mgrs, 0, 6378137, 298.257223563, 0, 0, true, "WGS 84 grid"},
        {MapNotation::Utm, 0, 6378137, 298.257222101, 0, 0, true, "GRS 1980"},
        {MapNotation::Usng, 26918, 6378137, 298.257222101, 500000, 0, true, "WGS 84 grid"},
        {MapNotation::Mgrs, 0, 6378206.4, 294.9786982, 0, 0, false, "older lettering"},
        {MapNotation::Utm, 0, 6377397.155, 299.1528128, 0, 0, false, "defined on WGS 84"},
        {MapNotation::BritishGrid, 27700, 6377563.396, 299.3249646, 400000, -100000, true, ""},
        {MapNotation::BritishGrid, 27700, 6377563.396, 299.3249646, 400000, 0, false, "false origin"},
        {MapNotation::BritishGrid, 0, 6377563.396, 299.3249646, 0, 0, false, "only on the British"},
        {MapNotation::IrishGrid, 29902, 6377340.189, 299.3249646, 200000, 250000, true, ""},
        {MapNotation::IrishGrid, 29901, 6377563.396, 299.3249646, 200000, 250000, true, ""},
        {MapNotation::IrishGrid, 2157, 6378137, 298.257222101, 600000, 750000, false, "only on the Irish"},
        {MapNotation::IrishGrid, 27700, 6377563.396, 299.3249646, 400000, -100000, false, "only on the Irish"},
    };
    for (const Fit& f : fits)
    {
        CCfgMapProjection record;
        record.semiMajorAxis = f.a;
        record.inverseFlattening = f.rf;
        record.falseEasting = f.falseEasting;
        record.falseNorthing = f.falseNorthing;
        const NotationFit fit = NotationApplies(f.notation, f.gridId, record);
        EXPECT_EQ(fit.applies, f.applies) << NotationName(f.notation) << " on " << f.gridId;
        EXPECT_NE((fit.applies ? fit.remark : fit.why).find(f.says), std::string::npos)
            << NotationName(f.notation) << " on " << f.gridId << ": " << fit.why << fit.remark;
    }
}

} // namespace
