// GIS vector files through the vector converter: data sets GDAL's ogr2ogr
// makes from the tests' CSVs in GeoPackage, GeoJSON, FlatGeobuf, KML, GPX and
// CSV with WKT, converted into other formats and read back. Features,
// attributes and types equal the input's; every vertex equals the engine's
// conversion of the input vertex, and ogr2ogr's within a millimetre.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ConvertShp.h"
#include "ConvertVector.h"
#include "VectorTestSupport.h"

using namespace batchtest;

namespace {

const char* kCities = "id,name,height,founded,WKT\n"
                      "1,Amsterdam,2.5,1275-10-27,\"POINT Z (4.9 52.37 10)\"\n"
                      "2,Paris,35.25,0508-01-01,\"POINT Z (2.35 48.85 20.5)\"\n"
                      "3,Lyon,170,1900-07-08,\"POINT Z (4.83 45.76 -3)\"\n";
const char* kShapes = "id,kind,WKT\n"
                      "1,holes,\"MULTIPOLYGON (((1 50,3 50,3 52,1 52,1 50),(1.5 50.5,1.5 51,2 51,1.5 50.5)),"
                      "((4 40,5 40,5 41,4 40)))\"\n"
                      "2,plain,\"MULTIPOLYGON (((0.5 45,1.5 45,1.5 46,0.5 45)))\"\n";
const char* kRoads = "id,WKT\n"
                     "1,\"MULTILINESTRING Z ((0.5 45 1,1 46 2,2 45.5 3,2.5 47 4),(3 44 5,4 44.5 6))\"\n"
                     "2,\"MULTILINESTRING Z ((5 50 7,5.5 51 8))\"\n";
const char* kTracks = "id,WKT\n"
                      "1,\"LINESTRING M (1 43 100,2 43.5 200,3 44 300)\"\n";
const char* kArcs = "id,WKT\n"
                    "1,\"CIRCULARSTRING (1 50,2 51,3 50)\"\n"
                    "2,\"COMPOUNDCURVE (CIRCULARSTRING (1 45,2 46,3 45),(3 45,4 44))\"\n";

std::string Quote(const std::string& text)
{
    return "'" + text + "'";
}

// Runs ogr2ogr; the data set it writes is the input of a case.
void Ogr2ogr(const std::string& arguments)
{
    ASSERT_EQ(std::system(("ogr2ogr -q " + arguments + " 2>/dev/null").c_str()), 0) << arguments;
}

// A CSV of WKT geometries, with its field types read from the text.
std::string Csv(const CTempFolder& folder, const std::string& name, const char* rows)
{
    const std::string path = folder / (name + ".csv");
    WriteFile(path, rows);
    return path;
}

// The inputs: a GeoPackage of several layers (3D points, multipolygons with
// holes, 3D multilines, measured lines), and one layer each in the other
// formats, all in WGS 84 except the GeoJSON in UTM 31N.
struct Inputs
{
    explicit Inputs(const CTempFolder& folder)
    {
        const std::string open = " -oo AUTODETECT_TYPE=YES -oo KEEP_GEOM_COLUMNS=NO -a_srs EPSG:4326 ";
        gpkg = folder / "in.gpkg";
        Ogr2ogr("-f GPKG" + open + "-nln cities -nlt POINTZ " + Quote(gpkg) + " " + Quote(Csv(folder, "cities", kCities)));
        Ogr2ogr("-update" + open + "-nln shapes -nlt MULTIPOLYGON " + Quote(gpkg) + " " +
                Quote(Csv(folder, "shapes", kShapes)));
        Ogr2ogr("-update" + open + "-nln roads -nlt MULTILINESTRINGZ " + Quote(gpkg) + " " +
                Quote(Csv(folder, "roads", kRoads)));
        Ogr2ogr("-update" + open + "-nln tracks -nlt LINESTRINGM " + Quote(gpkg) + " " +
                Quote(Csv(folder, "tracks", kTracks)));
        geojson = folder / "shapes-utm.geojson";
        Ogr2ogr("-f GeoJSON -t_srs EPSG:32631 -lco COORDINATE_PRECISION=15 " + Quote(geojson) + " " + Quote(gpkg) +
                " shapes");
        fgb = folder / "roads.fgb";
        Ogr2ogr("-f FlatGeobuf " + Quote(fgb) + " " + Quote(gpkg) + " roads");
        kml = folder / "cities.kml";
        Ogr2ogr("-f KML " + Quote(kml) + " " + Quote(gpkg) + " cities");
        gpx = folder / "cities.gpx";
        Ogr2ogr("-f GPX -dsco GPX_USE_EXTENSIONS=YES -nln waypoints " + Quote(gpx) + " " + Quote(gpkg) + " cities");
        csv = Csv(folder, "shapes-wkt", kShapes);
        arcs = folder / "arcs.gpkg";
        Ogr2ogr("-f GPKG" + open + "-nln arcs -nlt COMPOUNDCURVE " + Quote(arcs) + " " +
                Quote(Csv(folder, "arcs", kArcs)));
    }
    std::string gpkg, geojson, fgb, kml, gpx, csv, arcs;
};

// The destination system as the tests' catalogue would give it: GDAL's WKT of
// the EPSG system the identifier names.
bool TestSystem(int datumId, int gridId, std::string& wkt, int& epsg, std::string& why)
{
    epsg = gridId != 0 ? gridId : datumId;
    OGRSpatialReference srs;
    char* text = nullptr;
    if (srs.importFromEPSG(epsg) != OGRERR_NONE || srs.exportToWkt(&text) != OGRERR_NONE)
    {
        why = "no such system";
        return false;
    }
    wkt = text;
    CPLFree(text);
    return true;
}

std::vector<std::string> StatusTexts(const CRecordingSink& sink)
{
    std::vector<std::string> texts;
    for (const auto& n : sink.Notices())
        if (n.code == BATCH_STATUS)
            texts.push_back(n.text);
    return texts;
}

std::string Joined(const std::vector<std::string>& texts)
{
    std::string all;
    for (const auto& t : texts)
        all += t + "\n";
    return all;
}

BatchSettings VectorSettings(const std::string& source, const std::string& destination, int fromDatum, int fromGrid,
                             int toDatum, int toGrid)
{
    BatchSettings s;
    s.ConversionType = CONVERSION_VECTOR;
    s.sourceFile = source;
    s.destinationFile = destination;
    s.sourceDatum = fromDatum;
    s.sourceGrid = fromGrid;
    s.destinationDatum = toDatum;
    s.destinationGrid = toGrid;
    return s;
}

void RunVector(CRun& r)
{
    r.run.BeginRun();
    ConvertVector(r.run, TestSystem);
}

// The engine's conversion of one vertex, Z kept: what every converter writes.
Point3 EngineVertex(CConversionContext& context, CTestLoader& loader, const BatchSettings& s, Point3 p)
{
    double z = 0;
    EXPECT_EQ(ConvertCoordinate(context, loader, true, p.x, p.y, z, s.sourceDatum, s.sourceGrid, s.destinationDatum,
                                s.destinationGrid),
              kConvertDone);
    return p;
}

const char* ProjOf(int datum, int grid)
{
    if (grid == UTM31N)
        return kUtm31Proj;
    return datum == WGS72 ? kWgs72Proj : kWgs84Proj;
}

struct VectorCase
{
    const char* name;
    std::string Inputs::*input;
    const char* output; // file name; its extension names the format
    const char* layer;  // the one layer converted, or every layer
    int fromDatum, fromGrid, toDatum, toGrid;
    double stored; // how close a stored coordinate is to the engine's: the format's precision
    bool reoriented; // RFC 7946 turns rings to its winding: vertices compared as sets
    bool ownFields = false; // the format has fields of its own (GPX): they are held against ogr2ogr's
    bool flat = false;      // the format's geometries have no Z (GPX keeps heights in a field)
};

void PrintTo(const VectorCase& c, std::ostream* os)
{
    *os << c.name;
}

const VectorCase kCases[] = {
    {"GeoPackage to GeoPackage", &Inputs::gpkg, "out.gpkg", "", WGS84, 0, WGS84, UTM31N, 1e-9, false},
    {"GeoPackage layer to FlatGeobuf", &Inputs::gpkg, "out.fgb", "shapes", WGS84, 0, WGS84, UTM31N, 1e-9, false},
    {"GeoPackage to GML", &Inputs::gpkg, "out.gml", "cities", WGS84, 0, WGS84, UTM31N, 1e-8, false, true},
    {"GeoJSON in UTM to GeoJSON", &Inputs::geojson, "out.geojson", "", WGS84, UTM31N, WGS84, 0, 1e-14, true},
    {"FlatGeobuf to shapefile", &Inputs::fgb, "out.shp", "", WGS84, 0, WGS84, UTM31N, 1e-9, false},
    {"KML to KML", &Inputs::kml, "out.kml", "", WGS72, 0, WGS84, 0, 1e-13, false},
    {"GPX to GeoPackage", &Inputs::gpx, "gpx.gpkg", "", WGS84, 0, WGS84, UTM31N, 1e-9, false},
    {"GeoPackage points to GPX", &Inputs::gpkg, "out.gpx", "cities", WGS72, 0, WGS84, 0, 1e-9, false, true, true},
    {"CSV with WKT to CSV", &Inputs::csv, "out.csv", "", WGS84, 0, WGS84, UTM31N, 1e-8, false},
};

// The layer options that make ogr2ogr write what the converter writes.
std::string PeerOptions(const std::string& output)
{
    if (output.ends_with(".geojson"))
        return " -lco RFC7946=YES -lco COORDINATE_PRECISION=17 ";
    if (output.ends_with(".csv"))
        return " -lco GEOMETRY=AS_WKT ";
    return " ";
}

// Vertex by vertex, or, for outputs whose rings may turn, each vertex of one
// list near some vertex of the other.
void ExpectVertices(const std::vector<Point3>& ours, const std::vector<Point3>& expected, double tolerance,
                    bool asSets)
{
    ASSERT_EQ(ours.size(), expected.size());
    auto near = [tolerance](const Point3& a, const Point3& b) {
        return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance && a.z == b.z;
    };
    for (std::size_t i = 0; i < ours.size(); ++i)
    {
        if (asSets)
        {
            EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [&](const Point3& e) { return near(ours[i], e); }))
                << "vertex " << i << " (" << ours[i].x << ", " << ours[i].y << ")";
            EXPECT_TRUE(std::any_of(ours.begin(), ours.end(), [&](const Point3& o) { return near(expected[i], o); }))
                << "vertex " << i << " (" << expected[i].x << ", " << expected[i].y << ")";
            continue;
        }
        EXPECT_NEAR(ours[i].x, expected[i].x, tolerance) << "vertex " << i;
        EXPECT_NEAR(ours[i].y, expected[i].y, tolerance) << "vertex " << i;
        EXPECT_EQ(ours[i].z, expected[i].z) << "vertex " << i;
    }
}

} // namespace

class VectorFormats : public testing::TestWithParam<VectorCase>
{
};

TEST_P(VectorFormats, FeaturesAttributesAndVerticesAreTheInputsConverted)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    const VectorCase& c = GetParam();
    CTempFolder folder;
    const Inputs inputs(folder);
    const std::string input = inputs.*c.input;
    const std::string output = folder / c.output;
    CRun r(VectorSettings(input, output, c.fromDatum, c.fromGrid, c.toDatum, c.toGrid));
    r.settings.vectorLayer = c.layer;
    RunVector(r);
    ASSERT_FALSE(r.sink.Ends().empty());
    ASSERT_EQ(r.sink.Ends().back().code, BATCH_COMPLETED) << Joined(StatusTexts(r.sink));
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);

    // The peer: ogr2ogr with the same transformation, as PROJ strings.
    const std::string peer = folder / (std::string("peer-") + c.output);
    Ogr2ogr(std::string(std::string(c.output).ends_with(".gpx") ? "-dsco GPX_USE_EXTENSIONS=YES " : "") + "-s_srs " + Quote(ProjOf(c.fromDatum, c.fromGrid)) + " -t_srs " +
            Quote(ProjOf(c.toDatum, c.toGrid)) + PeerOptions(c.output) +
            Quote(peer) + " " + Quote(input) + " " + c.layer);

    std::vector<VectorLayer> in = ReadVector(input);
    if (*c.layer != '\0')
        in.erase(std::remove_if(in.begin(), in.end(), [&](const VectorLayer& l) { return l.name != c.layer; }),
                 in.end());
    std::vector<VectorLayer> out = ReadVector(output), expectedPeer = ReadVector(peer);
    // A GPX file always reads as its five layers, the empty ones included.
    for (auto* layers : {&out, &expectedPeer})
        if (c.ownFields)
            layers->erase(std::remove_if(layers->begin(), layers->end(),
                                         [](const VectorLayer& l) { return l.features.empty(); }),
                          layers->end());
    ASSERT_EQ(out.size(), in.size());
    ASSERT_EQ(expectedPeer.size(), in.size());
    // A data set of several layers may list them in another order: each is
    // held against the layer of its name.
    const bool named = !c.ownFields && in.size() > 1;
    for (auto* layers : {&out, &expectedPeer})
        if (named)
            std::sort(layers->begin(), layers->end(), [&](const VectorLayer& a, const VectorLayer& b) {
                auto at = [&](const VectorLayer& x) {
                    return std::find_if(in.begin(), in.end(), [&](const VectorLayer& i) { return i.name == x.name; }) -
                           in.begin();
                };
                return at(a) < at(b);
            });
    CConversionContext context;
    CTestLoader loader;
    const bool degrees = c.toGrid == 0;
    for (std::size_t l = 0; l < in.size(); ++l)
    {
        SCOPED_TRACE(in[l].name);
        if (std::string(c.output).ends_with(".shp") || std::string(c.output).ends_with(".csv"))
        {
            EXPECT_EQ(out[l].name, "out");
        }
        else if (!c.ownFields)
        {
            EXPECT_EQ(out[l].name, in[l].name);
        }
        const VectorLayer& fieldsAs = c.ownFields ? expectedPeer[l] : in[l];
        EXPECT_EQ(out[l].fields, fieldsAs.fields);
        ASSERT_EQ(out[l].features.size(), in[l].features.size());
        for (std::size_t f = 0; f < in[l].features.size(); ++f)
        {
            SCOPED_TRACE("feature " + std::to_string(f));
            const VectorFeature &a = in[l].features[f], &b = out[l].features[f];
            EXPECT_EQ(b.values, fieldsAs.features[f].values);
            // What the format makes of a type (a shapefile's single-part
            // multilines, RFC 7946's single polygons) is what ogr2ogr gets.
            EXPECT_EQ(b.geometryType, expectedPeer[l].features[f].geometryType);
            EXPECT_EQ(b.measures, a.measures);
            std::vector<Point3> expected;
            for (const Point3& p : a.vertices)
            {
                expected.push_back(EngineVertex(context, loader, r.settings, p));
                if (c.flat)
                    expected.back().z = 0;
            }
            ExpectVertices(b.vertices, expected, c.stored, c.reoriented);
            // Within a millimetre of PROJ's result (a degree is some 111 km).
            ExpectVertices(b.vertices, expectedPeer[l].features[f].vertices, degrees ? 1e-8 : 1e-3, c.reoriented);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, VectorFormats, testing::ValuesIn(kCases), [](const auto& info) {
    std::string name;
    for (const char ch : std::string(info.param.name))
        if (std::isalnum(static_cast<unsigned char>(ch)))
            name += ch;
    return name;
});

namespace {

struct RefusalCase
{
    const char* name;
    std::string Inputs::*input;
    const char* output;
    int toGrid;
    const char* format;
    int precision;
    const char* layer;
    const char* why; // part of the status text that says why
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

const RefusalCase kRefusals[] = {
    {"GeoJSON in UTM", &Inputs::gpkg, "out.geojson", UTM31N, "", -1, "",
     "the GeoJSON format holds WGS 84 longitudes and latitudes only"},
    {"KML in UTM", &Inputs::kml, "out.kml", UTM31N, "", -1, "", "KML format holds WGS 84"},
    {"GPX in UTM named by format", &Inputs::gpx, "out.xml", UTM31N, "GPX", -1, "", "the GPX format holds WGS 84"},
    {"precision of a binary format", &Inputs::gpkg, "out.gpkg", UTM31N, "", 3, "", "it takes no precision"},
    {"unknown extension", &Inputs::gpkg, "out.unknown", UTM31N, "", -1, "", "no vector format is known"},
    {"unknown driver", &Inputs::gpkg, "out.gpkg", UTM31N, "Nonsense", -1, "", "\"Nonsense\" is no GDAL driver"},
    {"missing layer", &Inputs::gpkg, "out.gpkg", UTM31N, "", -1, "rivers", "has no layer \"rivers\""},
    {"curves the format would straighten", &Inputs::arcs, "out.shp", UTM31N, "", -1, "",
     "layer \"arcs\", feature 1: a Compound Curve the ESRI Shapefile format would approximate"},
    {"a vertex beyond the pole", &Inputs::csv, "out.gpkg", UTM31N, "", -1, "",
     "feature 3: vertex (4, 95) cannot be converted"},
    {"the source itself", &Inputs::gpkg, "in.gpkg", UTM31N, "", -1, "", "is a file of the source"},
};

} // namespace

class VectorRefusals : public testing::TestWithParam<RefusalCase>
{
};

TEST_P(VectorRefusals, SayWhyAndLeaveTheDestinationAsItWas)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    const RefusalCase& c = GetParam();
    CTempFolder folder;
    const Inputs inputs(folder);
    // One more row in the CSV: a latitude beyond the pole.
    WriteFile(inputs.csv, std::string(kShapes) + "3,pole,\"POINT (4 95)\"\n");
    const std::string output = folder / c.output;
    const std::string before = std::string(c.output) == "in.gpkg" ? ReadFile(output) : "an earlier output";
    if (std::string(c.output) != "in.gpkg")
        WriteFile(output, before);
    const auto namesBefore = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder.path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> filesBefore = namesBefore();

    CRun r(VectorSettings(inputs.*c.input, output, WGS84, 0, WGS84, c.toGrid));
    r.settings.vectorFormat = c.format;
    r.settings.precision = c.precision;
    r.settings.vectorLayer = c.layer;
    RunVector(r);
    ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
    const std::string texts = Joined(StatusTexts(r.sink));
    EXPECT_NE(texts.find(c.why), std::string::npos) << texts;
    EXPECT_EQ(ReadFile(output), before);
    EXPECT_EQ(namesBefore(), filesBefore);
}

INSTANTIATE_TEST_SUITE_P(Refusals, VectorRefusals, testing::ValuesIn(kRefusals), [](const auto& info) {
    std::string name;
    for (const char ch : std::string(info.param.name))
        if (std::isalnum(static_cast<unsigned char>(ch)))
            name += ch;
    return name;
});

namespace {

// The vertices of every feature of every layer, in order.
std::vector<std::vector<Point3>> AllVertices(const std::string& path)
{
    std::vector<std::vector<Point3>> all;
    for (const auto& layer : ReadVector(path))
        for (const auto& feature : layer.features)
            all.push_back(feature.vertices);
    return all;
}

std::vector<std::string> FolderNames(const CTempFolder& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder.path))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(VectorRun, CurvesAreConvertedVertexByVertexWhereTheFormatKeepsThem)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    CTempFolder folder;
    const Inputs inputs(folder);
    CRun r(VectorSettings(inputs.arcs, folder / "arcs-utm.gpkg", WGS84, 0, WGS84, UTM31N));
    RunVector(r);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    const auto in = ReadVector(inputs.arcs), out = ReadVector(folder / "arcs-utm.gpkg");
    ASSERT_EQ(in.size(), 1u);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].features.size(), 2u);
    CConversionContext context;
    CTestLoader loader;
    for (std::size_t f = 0; f < 2; ++f)
    {
        EXPECT_EQ(out[0].features[f].geometryType, "Compound Curve");
        std::vector<Point3> expected;
        for (const Point3& p : in[0].features[f].vertices)
            expected.push_back(EngineVertex(context, loader, r.settings, p));
        ExpectVertices(out[0].features[f].vertices, expected, 1e-9, false);
    }
}

TEST(VectorRun, GivesTheShapefileConvertersVertices)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    CTempFolder folder;
    const Inputs inputs(folder);
    for (const char* layer : {"shapes", "roads", "cities"})
    {
        SCOPED_TRACE(layer);
        const std::string shp = folder / (std::string(layer) + ".shp");
        Ogr2ogr("-f 'ESRI Shapefile' " + Quote(shp) + " " + Quote(inputs.gpkg) + " " + layer);
        BatchSettings s = VectorSettings(shp, folder / (std::string(layer) + "-utm.shp"), WGS72, 0, WGS84, UTM31N);
        s.ConversionType = CONVERSION_SHAPEFILE;
        CRun byShapefile(s);
        byShapefile.run.BeginRun();
        // The .prj does not matter here.
        ConvertShapefile(byShapefile.run, [](int, int, std::string&, std::string&) { return false; });
        ExpectOneEnd(byShapefile.sink, BATCH_COMPLETED, kBatchCompletedText);

        CRun byVector(VectorSettings(shp, folder / (std::string(layer) + "-utm.gpkg"), WGS72, 0, WGS84, UTM31N));
        RunVector(byVector);
        ExpectOneEnd(byVector.sink, BATCH_COMPLETED, kBatchCompletedText);
        const auto ours = AllVertices(byVector.settings.destinationFile), theirs = AllVertices(s.destinationFile);
        ASSERT_EQ(ours.size(), theirs.size());
        ASSERT_FALSE(ours.empty());
        for (std::size_t f = 0; f < ours.size(); ++f)
            ExpectVertices(ours[f], theirs[f], 1e-9, false);
    }
}

TEST(VectorRun, OutputsCarryTheCatalogueSystem)
{
    ASSERT_TRUE(HaveTool("ogr2ogr") && HaveTool("sqlite3")) << "GDAL's ogr2ogr and sqlite3 are needed";
    CTempFolder folder;
    const Inputs inputs(folder);
    for (const char* output : {"catalogue.gpkg", "catalogue.shp", "catalogue.fgb"})
    {
        SCOPED_TRACE(output);
        CRun r(VectorSettings(inputs.gpkg, folder / output, WGS84, 0, WGS84, UTM31N));
        r.settings.vectorLayer = "shapes";
        r.run.BeginRun();
        ConvertVector(r.run);
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        // The system reads back as the catalogue's grid, by its EPSG code.
        CPrjMatch match;
        std::string what, why;
        ASSERT_TRUE(VectorSourceSystem(folder / output, "", match, what, why)) << why;
        EXPECT_EQ(match.gridId, UTM31N);
        EXPECT_EQ(match.how, "EPSG code");
    }
    EXPECT_EQ(Capture("sqlite3 '" + (folder / "catalogue.gpkg") +
                      "' \"SELECT organization, organization_coordsys_id FROM gpkg_spatial_ref_sys JOIN "
                      "gpkg_contents USING (srs_id) WHERE table_name = 'shapes'\""),
              "EPSG|32631\n");
}

struct SourceSystemCase
{
    const char* file; // in the fixture's folder
    const char* layer;
    int datum, grid; // the match, or 0 with why
    const char* why;
};

TEST(VectorRun, SourceSystemComesFromTheLayers)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    CTempFolder folder;
    const Inputs inputs(folder);
    const std::string mixed = folder / "mixed.gpkg";
    fs::copy_file(inputs.gpkg, mixed);
    Ogr2ogr("-update -t_srs EPSG:32631 -nln utm " + Quote(mixed) + " " + Quote(inputs.gpkg) + " shapes");
    const SourceSystemCase cases[] = {
        {"in.gpkg", "", WGS84, 0, ""},
        {"shapes-utm.geojson", "", WGS84, UTM31N, ""},
        {"mixed.gpkg", "utm", WGS84, UTM31N, ""},
        {"mixed.gpkg", "", 0, 0, "name the layer to convert"},
        {"mixed.gpkg", "rivers", 0, 0, "has no layer \"rivers\""},
        {"shapes-wkt.csv", "", 0, 0, "names no coordinate system"},
        {"nothing.gpkg", "", 0, 0, "cannot be opened as a vector data set"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.file) + " " + c.layer);
        CPrjMatch match;
        std::string what, why;
        const bool found = VectorSourceSystem(folder / c.file, c.layer, match, what, why);
        EXPECT_EQ(found, c.datum != 0) << why;
        if (found)
        {
            EXPECT_EQ(match.datumId, c.datum);
            EXPECT_EQ(match.gridId, c.grid);
        }
        else
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
}

TEST(VectorRun, AShapefileSetIsReplacedAsOne)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    CTempFolder folder;
    const Inputs inputs(folder);
    // An earlier set with companions the new one does not have.
    Ogr2ogr("-f 'ESRI Shapefile' " + Quote(folder / "set.shp") + " " + Quote(inputs.gpkg) + " cities");
    for (const char* stale : {"set.qix", "set.sbn", "set.sbx", "SET.CPG", "set.shp.xml"})
        WriteFile(folder / stale, "stale");
    CRun r(VectorSettings(inputs.fgb, folder / "set.shp", WGS84, 0, WGS84, UTM31N));
    RunVector(r);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    std::vector<std::string> names = FolderNames(folder);
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return n.rfind("set", 0) != 0; }),
                names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"set.dbf", "set.prj", "set.shp", "set.shx"}));
    const auto out = ReadVector(folder / "set.shp");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].features.size(), 2u);
    EXPECT_EQ(out[0].fields, ReadVector(inputs.fgb)[0].fields);
}

TEST(VectorRun, ACancelledRunLeavesNothing)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    CTempFolder folder;
    const Inputs inputs(folder);
    const std::vector<std::string> before = FolderNames(folder);
    CRun r(VectorSettings(inputs.gpkg, folder / "cancelled.gpkg", WGS84, 0, WGS84, UTM31N));
    int progress = 0;
    r.sink.hook = [&](const BatchNotice& n) {
        if (n.code == BATCH_PROGRESS && ++progress == 1)
            r.run.CancelOperation();
    };
    RunVector(r);
    EXPECT_EQ(progress, 1);
    ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchAbortedText);
    EXPECT_EQ(FolderNames(folder), before);
}

TEST(VectorRun, PrecisionSetsTheDecimalsOfGeoJson)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    CTempFolder folder;
    const Inputs inputs(folder);
    for (const int precision : {-1, 0, 3})
    {
        SCOPED_TRACE(precision);
        const std::string output = folder / ("p" + std::to_string(precision) + ".geojson");
        CRun r(VectorSettings(inputs.geojson, output, WGS84, UTM31N, WGS84, 0));
        r.settings.precision = precision;
        RunVector(r);
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        // The most decimals of any coordinate written.
        const std::string text = ReadFile(output);
        const std::size_t at = text.find("\"coordinates\"");
        ASSERT_NE(at, std::string::npos);
        std::size_t most = 0, run = 0;
        bool fraction = false;
        for (std::size_t i = at; i < text.size() && text[i] != '}'; ++i)
        {
            if (text[i] == '.')
                fraction = true, run = 0;
            else if (std::isdigit(static_cast<unsigned char>(text[i])) && fraction)
                most = std::max(most, ++run);
            else
                fraction = false;
        }
        if (precision >= 0)
            EXPECT_LE(most, static_cast<std::size_t>(std::max(precision, 1)));
        else
            EXPECT_GE(most, 14u);
    }
}
