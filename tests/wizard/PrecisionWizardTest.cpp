// The decimals chosen on the text layout page and on the table page reach
// what the run writes; "Default" keeps the usual decimals.
#include "WizardFixture.h"

#include <QSpinBox>

#include "CxAdo.h"

namespace {

using namespace wizardtest;

class PrecisionWizard : public WizardTest
{
protected:
    // Text file: WGS 84 degrees to UTM zone 31N with the box at `decimals`.
    std::string TextRun(int decimals, const std::string& name)
    {
        const std::string source = Path("points.csv");
        const std::string destination = Path(name);
        WriteFile(source, "lon;lat;h\n5.0;52.0;10\n");
        ThroughFilePage("textRadio", source, destination);
        ChooseSystems();
        EXPECT_EQ(Page(), CWzdSheet::PageLayout);
        SetDecimals(decimals);
        Next();
        Next();
        Finish();
        EXPECT_TRUE(WaitForEnd());
        return ReadFile(destination);
    }

    // Table: the same point into a SQLite table's north and east columns.
    double TableRun(int decimals)
    {
        const std::string database = Path("points.db");
        const std::string connection = "Provider=SQLite;Data Source=" + database + ";Create=Yes;";
        CCxAdo ado;
        EXPECT_EQ(ado.Initialize(), 0);
        EXPECT_EQ(ado.Connect(connection.c_str()), 0);
        EXPECT_EQ(ado.Execute("DROP TABLE IF EXISTS points"), 0);
        EXPECT_EQ(ado.Execute("CREATE TABLE points (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, "
                              "east DOUBLE)"),
                  0);
        EXPECT_EQ(ado.Execute("INSERT INTO points VALUES (1, 52.0, 5.0, 0, 0)"), 0);
        ado.Disconnect();

        Open();
        Click("databaseRadio");
        Next();
        Browse("databaseBrowse", database);
        Next();
        ChooseSystems();
        EXPECT_EQ(Page(), CWzdSheet::PageTable);
        Choose("tableList", "points");
        Choose("sourceField1", "lat");
        Choose("sourceField2", "lon");
        Choose("destinationField1", "north");
        Choose("destinationField2", "east");
        SetDecimals(decimals);
        Next();
        Next();
        Finish();
        EXPECT_TRUE(WaitForEnd());

        double north = 0;
        CCxAdo reader;
        EXPECT_EQ(reader.Initialize(), 0);
        EXPECT_EQ(reader.Connect(connection.c_str()), 0);
        EXPECT_EQ(reader.OpenRecordset("SELECT north FROM points"), 1);
        reader.GetFieldDouble("north", north);
        return north;
    }

    void SetDecimals(int decimals)
    {
        // Both pages name their box alike: the current page's is the one.
        auto* box = sheet->currentPage()->findChild<QSpinBox*>(QStringLiteral("precisionChoice"));
        ASSERT_NE(box, nullptr);
        // A new wizard starts at the defaults.
        EXPECT_EQ(box->text(), "Default");
        box->setValue(decimals);
    }
};

TEST_F(PrecisionWizard, TheChosenDecimalsAreWrittenAndDefaultKeepsTheUsualOnes)
{
    // cs2cs, WGS 84 to UTM zone 31N: 5 52 -> 637294.36589437 5762926.81291404.
    struct Case
    {
        int decimals; // -1: the box left at "Default"
        const char* text;
        double north;
    };
    const Case cases[] = {
        {-1, "lon;lat;h\n637294.37;5762926.81;10.00\n", 5762926.813},
        {0, "lon;lat;h\n637294;5762927;10\n", 5762927.0},
        {1, "lon;lat;h\n637294.4;5762926.8;10.0\n", 5762926.8},
        {5, "lon;lat;h\n637294.36589;5762926.81291;10.00000\n", 5762926.81291},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.decimals);
        EXPECT_EQ(TextRun(c.decimals, "out" + std::to_string(c.decimals + 1) + ".csv"), c.text);
        EXPECT_EQ(sheet->settings.precision, c.decimals);
        EXPECT_DOUBLE_EQ(TableRun(c.decimals), c.north);
        EXPECT_EQ(sheet->settings.precision, c.decimals);
    }
}

} // namespace
