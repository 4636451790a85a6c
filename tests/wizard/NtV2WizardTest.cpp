// Batch runs whose source datum shifts through an NTv2 file of the shipped
// catalogue: DHDN with BETA2007.gsb from the program's Data folder, on the
// Gauss-Kruger zone 3 grid, to ETRS89 / UTM zone 32N. The run loads the grid
// file itself, on its worker; a text file, a shapefile and a table are each
// converted through the wizard's pages and checked against PROJ's cs2cs with
// the same file.
#include "WizardFixture.h"

#include <cmath>
#include <cstdio>
#include <iomanip>

#include "CxAdo.h"

namespace {

using namespace wizardtest;

constexpr int kDhdnZone3 = 31467;   // DHDN / 3-degree Gauss-Kruger zone 3, datum 4314 with BETA2007.gsb
constexpr int kEtrs89Utm32 = 25832; // ETRS89 / UTM zone 32N

// Frankfurt, Hamburg and Stuttgart, all inside BETA2007's extent.
const std::vector<Planar> kPoints = {{3477000.0, 5553000.0}, {3566000.0, 5933000.0}, {3513000.0, 5402000.0}};

// PROJ's answer for the same points with the same grid file:
//   cs2cs -f %.4f +proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel
//         +nadgrids=<Data>/BETA2007.gsb +to +proj=utm +zone=32 +ellps=GRS80 +towgs84=0,0,0 +units=m
std::vector<Planar> Cs2cs(const std::vector<Planar>& points)
{
    std::vector<std::string> lines;
    for (const Planar& p : points)
    {
        std::ostringstream line;
        line << std::fixed << p.easting << " " << p.northing;
        lines.push_back(line.str());
    }
    return RunCs2cs("+proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel +nadgrids=" +
                        std::string(GEOLYNX_PROGRAM_ROOT) +
                        "/Data/BETA2007.gsb +to +proj=utm +zone=32 +ellps=GRS80 +towgs84=0,0,0 +units=m",
                    lines);
}

// The first two numbers of each line of a comma-separated file.
std::vector<Planar> ReadPoints(const std::string& path, bool header, bool northingFirst)
{
    std::vector<Planar> points;
    std::istringstream lines(ReadFile(path));
    std::string line;
    if (header)
        std::getline(lines, line);
    while (std::getline(lines, line))
    {
        double first = 0;
        double second = 0;
        if (std::sscanf(line.c_str(), "%lf,%lf", &first, &second) != 2)
        {
            ADD_FAILURE() << path << ": " << line;
            continue;
        }
        points.push_back(northingFirst ? Planar{second, first} : Planar{first, second});
    }
    return points;
}

class NtV2Wizard : public WizardTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(fs::path(GEOLYNX_PROGRAM_ROOT) / "Data" / "BETA2007.gsb"));
        expected = Cs2cs(kPoints);
        ASSERT_EQ(expected.size(), kPoints.size()) << "cs2cs gave no answer";
        // The shift is real: tens of metres, so a run that ignored the file fails.
        ASSERT_GT(std::abs(expected[0].northing - 5552720.0), 1.0);
    }

    // From the file or data source page on: the two systems, chosen in the
    // catalogue's own dialogs.
    void ChooseNtV2Systems()
    {
        ASSERT_EQ(Page(), CWzdSheet::PageSource);
        ChooseGrid("sourceGridSelect", kDhdnZone3);
        EXPECT_EQ(Text("sourceDatumName"), "DHDN");
        Next();
        ASSERT_EQ(Page(), CWzdSheet::PageDestination);
        ChooseGrid("destinationGridSelect", kEtrs89Utm32);
        Next();
    }

    void Run()
    {
        Finish();
        ASSERT_TRUE(WaitForEnd());
        EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
        EXPECT_TRUE(boxes.Texts().empty()) << boxes.Texts().front();
    }

    // Each converted point within the output's last printed digit of PROJ's.
    void ExpectPoints(const std::vector<Planar>& got, double within)
    {
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
        {
            EXPECT_NEAR(got[i].easting, expected[i].easting, within) << i;
            EXPECT_NEAR(got[i].northing, expected[i].northing, within) << i;
        }
    }

    std::vector<Planar> expected;
};

TEST_F(NtV2Wizard, TextFileShiftsThroughTheShippedGridFile)
{
    const std::string source = Path("dhdn.csv");
    const std::string destination = Path("etrs89.csv");
    {
        std::ofstream out(source);
        for (const Planar& p : kPoints)
            out << std::fixed << std::setprecision(1) << p.northing << "," << p.easting << "\n";
    }
    ThroughFilePage("textRadio", source, destination);
    ChooseNtV2Systems();
    ASSERT_EQ(Page(), CWzdSheet::PageLayout);
    Choose("latitudeField", "5553000.0");
    Choose("longitudeField", "3477000.0");
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Run();

    // Written with two decimals.
    ExpectPoints(ReadPoints(destination, false, true), 0.0051);
}

TEST_F(NtV2Wizard, ShapefileShiftsThroughTheShippedGridFile)
{
    const std::string csv = Path("dhdn-points.csv");
    {
        std::ofstream out(csv);
        out << "id,WKT\n";
        for (std::size_t i = 0; i < kPoints.size(); ++i)
            out << i + 1 << ",\"POINT (" << std::fixed << kPoints[i].easting << " " << kPoints[i].northing << ")\"\n";
    }
    const std::string source = Path("dhdn.shp");
    const std::string destination = Path("etrs89.shp");
    ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' '" + source + "' '" + csv + "'").c_str()), 0);
    ThroughFilePage("shapefileRadio", source, destination);
    ChooseNtV2Systems();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Run();

    // The converted set read back by GDAL.
    const std::string back = Path("etrs89-back.csv");
    ASSERT_EQ(std::system(("ogr2ogr -q -f CSV -lco GEOMETRY=AS_XY '" + back + "' '" + destination + "'").c_str()), 0);
    // Stored as doubles ("X,Y,id" after a header): PROJ's printed four decimals.
    ExpectPoints(ReadPoints(back, true, false), 0.00051);
}

TEST_F(NtV2Wizard, TableShiftsThroughTheShippedGridFile)
{
    const std::string database = Path("dhdn.db");
    const std::string native = "Provider=SQLite;Data Source=" + database + ";Create=Yes;";
    {
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        ASSERT_EQ(ado.Connect(native.c_str()), 0) << ado.LastMessage.str();
        ASSERT_EQ(ado.Execute("CREATE TABLE points (id INTEGER PRIMARY KEY, gkn DOUBLE, gke DOUBLE, "
                              "utmn DOUBLE, utme DOUBLE)"),
                  0);
        for (std::size_t i = 0; i < kPoints.size(); ++i)
        {
            std::ostringstream sql;
            sql << std::fixed << "INSERT INTO points VALUES (" << i + 1 << ", " << kPoints[i].northing << ", "
                << kPoints[i].easting << ", 0, 0)";
            ASSERT_EQ(ado.Execute(sql.str().c_str()), 0) << sql.str();
        }
    }
    Open();
    Click("databaseRadio");
    Next();
    Browse("databaseBrowse", database);
    Next();
    ChooseNtV2Systems();
    ASSERT_EQ(Page(), CWzdSheet::PageTable);
    EXPECT_EQ(Label("sourceField1Label"), "Source Northing Field:");
    Choose("tableList", "points");
    Choose("sourceField1", "gkn");
    Choose("sourceField2", "gke");
    Choose("destinationField1", "utmn");
    Choose("destinationField2", "utme");
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Run();

    std::vector<Planar> got;
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(native.c_str()), 0);
    if (ado.OpenRecordset("SELECT utmn, utme FROM points ORDER BY id") == 1)
    {
        do
        {
            Planar p{};
            ado.GetFieldDouble("utmn", p.northing);
            ado.GetFieldDouble("utme", p.easting);
            got.push_back(p);
        } while (ado.MoveNext() == 1);
    }
    // Stored with three decimals.
    ExpectPoints(got, 0.00051 + 0.0005);
}

} // namespace
