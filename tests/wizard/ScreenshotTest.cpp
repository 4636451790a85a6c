// The picture of the start page during a run in docs/: taken when
// GEOLYNX_WIZARD_SCREENSHOT names the file to write, under a real display
// (xvfb-run), e.g.
//   GEOLYNX_WIZARD_SCREENSHOT=docs/wizard-start-page.png xvfb-run -a
//       build/bin/wizard_tests --gtest_filter='Screenshot*'
// With GEOLYNX_WIZARD_PAGES naming a folder, the table page with its height
// fields and the preview are saved there too.
#include "WizardFixture.h"

#include <QImage>
#include <QPixmap>

#include "CxAdo.h"

namespace {

using namespace wizardtest;

using Screenshot = WizardTest;

TEST_F(Screenshot, StartPageDuringARun)
{
    const char* target = std::getenv("GEOLYNX_WIZARD_SCREENSHOT");
    if (target == nullptr || *target == '\0')
        GTEST_SKIP() << "GEOLYNX_WIZARD_SCREENSHOT names no file";

    // A table large enough to be caught halfway.
    const std::string database = Path("survey.db");
    {
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        ASSERT_EQ(ado.Connect(("Provider=SQLite;Data Source=" + database + ";Create=Yes;").c_str()), 0);
        ASSERT_EQ(ado.Execute("CREATE TABLE survey (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, "
                              "northing DOUBLE, easting DOUBLE, height DOUBLE, height_egm96 DOUBLE)"),
                  0);
        ASSERT_EQ(ado.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                              "INSERT INTO survey SELECT i, 52.0 + i * 0.001, 5.0, 0, 0, 54.6, 0 FROM n"),
                  0);
    }
    Open();
    sheet->resize(640, 460);
    Click("databaseRadio");
    Next();
    Browse("databaseBrowse", database);
    Next();
    ChooseSystems(0, 5773);
    Choose("tableList", "survey");
    Choose("sourceField1", "lat");
    Choose("sourceField2", "lon");
    Choose("destinationField1", "northing");
    Choose("destinationField2", "easting");
    Choose("sourceField3", "height");
    Choose("destinationField3", "height_egm96");
    const QString pages = QString::fromLocal8Bit(qgetenv("GEOLYNX_WIZARD_PAGES"));
    const auto save = [&](const char* name) {
        QApplication::processEvents(); // the labels' layout
        if (!pages.isEmpty())
        {
            EXPECT_TRUE(sheet->grab().save(pages + QLatin1Char('/') + QLatin1String(name)));
        }
    };
    save("table-heights.png");
    Next();
    save("table-preview.png");
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Finish();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Progress() >= 40; }, 60000));
    const QImage image = sheet->grab().toImage();
    EXPECT_TRUE(CancelEnabled());
    Click("cancelButton");
    ASSERT_TRUE(WaitForEnd());
    ASSERT_FALSE(image.isNull());
    ASSERT_TRUE(image.save(QString::fromLocal8Bit(target)));
}

} // namespace

namespace {

using namespace wizardtest;

// The pages of GIS vector files, height systems and map references, each
// saved as <folder>/<page>.png when GEOLYNX_WIZARD_PAGES names a folder.
TEST_F(Screenshot, VectorHeightAndReferencePages)
{
    const char* folder = std::getenv("GEOLYNX_WIZARD_PAGES");
    if (folder == nullptr || *folder == '\0')
        GTEST_SKIP() << "GEOLYNX_WIZARD_PAGES names no folder";
    const auto save = [&](const char* name) {
        QApplication::processEvents();
        const QImage image = sheet->grab().toImage();
        ASSERT_TRUE(image.save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(name)));
    };
    const std::string csv = Path("places.csv");
    WriteFile(csv, "name;lon;lat;h\nDam;4.8936;52.3731;12\n");
    const std::string gpkg = Path("places.gpkg");
    ASSERT_EQ(std::system(("ogr2ogr -f GPKG " + gpkg + " " + csv +
                           " -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat -a_srs EPSG:4326 -nln places")
                              .c_str()),
              0);
    Open();
    sheet->resize(640, 460);
    Click("vectorRadio");
    Next();
    Browse("vectorSourceBrowse", gpkg);
    Browse("vectorDestinationBrowse", Path("places-utm.fgb"));
    save("vector-files.png");
    sheet.reset();

    ThroughFilePage("textRadio", csv, Path("out.csv"));
    sheet->resize(640, 460);
    ChooseDatum("sourceDatumSelect", kWgs84);
    save("source-system.png");
    Next();
    ChooseGrid("destinationGridSelect", kUtm31);
    Next();
    Choose("destinationNotationList", "MGRS (WGS 84 grid)");
    save("text-layout.png");
}

} // namespace
