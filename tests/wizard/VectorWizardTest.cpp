// GIS vector files through the real pages: the source's layers and counts
// listed, one layer or every one, the format from the extension or chosen,
// the source system taken from the layers, and the run; refusals on the file
// page and in the run.
#include "WizardFixture.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "ConvertVector.h"

namespace {

using namespace wizardtest;

// A GeoPackage in WGS 84 with a layer of three towns and one of two roads,
// made by ogr2ogr from CSV files with WKT.
void WriteSource(const std::string& folder, const std::string& path)
{
    WriteFile(folder + "/towns.csv", "id,WKT\n1,\"POINT (5 52)\"\n2,\"POINT (4.5 51.5)\"\n3,\"POINT (3.2 50.8)\"\n");
    WriteFile(folder + "/roads.csv", "id,WKT\n1,\"LINESTRING (5 52,5.1 52.1)\"\n2,\"LINESTRING (4 51,4.2 51.3)\"\n");
    for (const std::string layer : {"towns", "roads"})
    {
        const std::string options = layer == "roads" ? "-update -nlt LINESTRING " : "-nlt POINT ";
        const std::string command =
            "ogr2ogr -f GPKG " + options + "-a_srs EPSG:4326 -nln " + layer + " " + path + " " + folder + "/" + layer;
        ASSERT_EQ(std::system((command + ".csv").c_str()), 0);
    }
}

// The first vertex of a data set's first layer.
bool FirstVertex(const std::string& path, double& x, double& y)
{
    const std::unique_ptr<GDALDataset> data(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    OGRLayer* layer = data ? data->GetLayer(0) : nullptr;
    const std::unique_ptr<OGRFeature> feature(layer != nullptr ? layer->GetNextFeature() : nullptr);
    const OGRGeometry* geometry = feature ? feature->GetGeometryRef() : nullptr;
    OGRPoint point;
    if (const auto* p = dynamic_cast<const OGRPoint*>(geometry))
        point = *p;
    else if (const auto* line = dynamic_cast<const OGRSimpleCurve*>(geometry))
        line->getPoint(0, &point);
    else
        return false;
    x = point.getX();
    y = point.getY();
    return true;
}

struct VectorCase
{
    const char* what;
    std::string source;
    const char* layer;       // the layer chosen, nullptr for every one
    const char* destination; // in the test's folder
    const char* format;      // a driver chosen, nullptr for the extension's
    int destinationGrid;     // 0: WGS 84 degrees
    const char* refusal;     // a message on the file page, or nullptr
    const char* runFailure;  // what the failed run says, or nullptr
    std::vector<VectorLayerSummary> layers;
    const char* firstVertex; // "lon lat" of the written first vertex, for cs2cs
};

TEST_F(WizardTest, VectorFilesListLayersChooseFormatAndRun)
{
    const std::string source = Path("survey.gpkg");
    WriteSource(home.string(), source);
    WriteFile(Path("broken.gpkg"), "no vector data");
    const std::vector<VectorCase> cases = {
        {"every layer, GeoPackage by extension", source, nullptr, "all.gpkg", nullptr, kUtm31, nullptr, nullptr,
         {{"towns", 3, ""}, {"roads", 2, ""}}, "5 52"},
        {"one layer, FlatGeobuf", source, "roads", "roads.fgb", nullptr, kUtm31, nullptr, nullptr, {{"roads", 2, ""}},
         "5 52"},
        {"format chosen for an odd name", source, "towns", "towns.out", "GPKG", kUtm31, nullptr, nullptr,
         {{"towns", 3, ""}}, "5 52"},
        {"GeoJSON in WGS 84", source, "towns", "towns.geojson", nullptr, 0, nullptr, nullptr, {{"towns", 3, ""}},
         nullptr},
        {"GeoJSON refuses a map grid", source, "towns", "utm.geojson", nullptr, kUtm31, nullptr, "WGS 84", {}, nullptr},
        {"no format takes the name", source, nullptr, "out.xyz", nullptr, kUtm31, "choose the format", nullptr, {},
         nullptr},
        {"source OGR does not read", Path("broken.gpkg"), nullptr, "x.gpkg", nullptr, kUtm31,
         "cannot be opened as a vector data set", nullptr, {}, nullptr},
        {"source as destination", source, nullptr, "survey.gpkg", nullptr, kUtm31, "", nullptr, {}, nullptr},
    };
    for (const VectorCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        sheet.reset();
        requests.clear();
        boxes.Clear();
        Open();
        // Decimals left from a text file's choice are not a vector file's.
        sheet->settings.precision = 6;
        Click("vectorRadio");
        Next();
        ASSERT_EQ(Page(), CWzdSheet::PageVectorFiles);
        Browse("vectorSourceBrowse", c.source);
        if (c.source == source)
        {
            auto* view = Find<QTreeWidget>("layerView");
            ASSERT_EQ(view->topLevelItemCount(), 2);
            EXPECT_EQ(view->topLevelItem(0)->text(0) + " " + view->topLevelItem(0)->text(1) + " " +
                          view->topLevelItem(0)->text(2),
                      "towns 3 Point");
            EXPECT_EQ(view->topLevelItem(1)->text(1), "2");
        }
        if (c.layer != nullptr)
            Choose("layerChoice", QStringLiteral("Only the layer \"%1\"").arg(c.layer));
        const std::string destination = Path(c.destination);
        Browse("vectorDestinationBrowse", destination);
        if (c.format != nullptr)
        {
            QComboBox* formats = Find<QComboBox>("formatChoice");
            formats->setCurrentIndex(formats->findData(QString::fromLatin1(c.format)));
            ASSERT_GT(formats->currentIndex(), 0);
        }
        // Both dialogs offer the formats by name, the destination's those GDAL writes.
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_TRUE(requests[1].nameFilters.contains("GeoPackage (*.gpkg)"))
            << requests[1].nameFilters.join(",").toStdString();
        EXPECT_TRUE(requests[0].nameFilters.constFirst().contains("*.geojson"));
        boxes.Clear();
        Next();
        if (c.refusal != nullptr)
        {
            EXPECT_EQ(Page(), CWzdSheet::PageVectorFiles);
            ASSERT_EQ(boxes.Texts().size(), 1u);
            EXPECT_NE(boxes.Texts()[0].find(c.refusal), std::string::npos) << boxes.Texts()[0];
            continue;
        }
        ASSERT_EQ(Page(), CWzdSheet::PageSource);
        // The layers' own system is the source's.
        EXPECT_TRUE(Text("sourceDatumName").contains("WGS 84")) << Text("sourceDatumName").toStdString();
        Next();
        if (c.destinationGrid != 0)
            ChooseGrid("destinationGridSelect", c.destinationGrid);
        else
            ChooseDatum("destinationDatumSelect", kWgs84);
        Next();
        ASSERT_EQ(Page(), CWzdSheet::PageStart);
        Finish();
        ASSERT_TRUE(WaitForEnd());
        if (c.runFailure != nullptr)
        {
            EXPECT_TRUE(Status().startsWith("Conversion failed")) << Status().toStdString();
            EXPECT_TRUE(Status().contains(c.runFailure)) << Status().toStdString();
            EXPECT_FALSE(fs::exists(destination));
            continue;
        }
        EXPECT_TRUE(Status().startsWith("Conversion completed")) << Status().toStdString();
        std::vector<VectorLayerSummary> written;
        std::string why;
        ASSERT_TRUE(VectorLayers(destination, written, why)) << why;
        ASSERT_EQ(written.size(), c.layers.size());
        for (std::size_t i = 0; i < written.size(); ++i)
            EXPECT_EQ(written[i].name + " " + std::to_string(written[i].features),
                      c.layers[i].name + " " + std::to_string(c.layers[i].features));
        double x = 0, y = 0;
        ASSERT_TRUE(FirstVertex(destination, x, y));
        if (c.firstVertex != nullptr)
        {
            const std::vector<Planar> expected =
                RunCs2cs("+proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84", {c.firstVertex});
            ASSERT_EQ(expected.size(), 1u);
            EXPECT_NEAR(x, expected[0].easting, 0.001);
            EXPECT_NEAR(y, expected[0].northing, 0.001);
        }
        else
        {
            EXPECT_NEAR(x, 5, 1e-9);
            EXPECT_NEAR(y, 52, 1e-9);
        }
    }
}

} // namespace
