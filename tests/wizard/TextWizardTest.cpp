// Text file runs through the real pages: the page flow with its checks and
// messages, the layout and preview pages, the start page's run states, a
// cancelled run and the run after it.
#include "WizardFixture.h"

#include <QTreeWidget>

namespace {

using namespace wizardtest;

class QtEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "wizard_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<QApplication> application;
};

const auto* const qtEnvironment = testing::AddGlobalTestEnvironment(new QtEnvironment);

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

using TextWizard = WizardTest;

TEST_F(TextWizard, CsvFileThroughEveryPage)
{
    // The expected values are cs2cs's for WGS 84 to UTM zone 31N:
    // 5 52 -> 637294.3659 5762926.8129, 4.5 52.1 -> 602743.3363 5773221.9437.
    const std::string source = Path("points.csv");
    const std::string destination = Path("converted.csv");
    WriteFile(source, "lon;lat;h;name\n5.0;52.0;10;a\n4.5;52.1;0;b\n");
    Open();
    EXPECT_EQ(sheet->windowTitle(), "Batch Conversion Wizard");

    // Type page: Next only.
    ASSERT_EQ(Page(), CWzdSheet::PageType);
    EXPECT_EQ(sheet->currentPage()->title(), "Select the type of conversion you want to perform");
    EXPECT_TRUE(Find<QAbstractButton>("textRadio")->isChecked());
    EXPECT_EQ(Label("typeText"), "Please select the type of data you want to convert:");
    EXPECT_FALSE(Button(QWizard::BackButton)->isEnabled());
    EXPECT_TRUE(Shown(QWizard::NextButton));
    Click("textRadio");
    Next();

    // File page: its three checks in order, then the names are stored.
    ASSERT_EQ(Page(), CWzdSheet::PageFiles);
    EXPECT_EQ(sheet->currentPage()->title(), "Select the source and destination files used during conversion");
    EXPECT_TRUE(Shown(QWizard::BackButton));
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({506}));
    Browse("sourceBrowse", source);
    ASSERT_EQ(requests.size(), 1u);
    // "*.*" is offered as "*", which matches names without a dot too.
    EXPECT_EQ(requests[0].nameFilters, (QStringList{"All Files (*)", "CSV Files (*.csv)", "TXT/ASCII Files (*.txt)"}));
    EXPECT_EQ(requests[0].defaultSuffix, "txt");
    EXPECT_EQ(requests[0].mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(requests[0].fileMode, QFileDialog::ExistingFile);
    EXPECT_EQ(Text("sourceFile"), QString::fromStdString(source));
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({506, 506}));
    Browse("destinationBrowse", source);
    EXPECT_EQ(requests.back().mode, QFileDialog::AcceptSave);
    // The dialog does not ask before overwriting: the page asks itself.
    EXPECT_FALSE(requests.back().confirmsOverwrite);
    Next();
    EXPECT_EQ(boxes.Texts().back(), LoadMessage(507));
    // The file dialog offers only files that exist; one removed after it was
    // chosen is found missing on Next.
    const std::string missing = Path("missing.csv");
    WriteFile(missing, "5,52\n");
    Browse("sourceBrowse", missing);
    fs::remove(missing);
    Browse("destinationBrowse", destination);
    Next();
    EXPECT_EQ(boxes.Texts().back(), LoadMessage(504));
    EXPECT_EQ(Page(), CWzdSheet::PageFiles);
    // A folder is no file to convert either.
    WriteFile(missing, "5,52\n");
    Browse("sourceBrowse", missing);
    fs::remove(missing);
    fs::create_directory(missing);
    Next();
    EXPECT_EQ(boxes.Texts().back(), LoadMessage(504));
    EXPECT_TRUE(sheet->settings.sourceFile.empty());
    Browse("sourceBrowse", source);
    Next();
    EXPECT_EQ(boxes.Texts().size(), 5u);
    EXPECT_EQ(sheet->settings.sourceFile, source);
    EXPECT_EQ(sheet->settings.destinationFile, destination);

    // Source and destination systems, each refused without one.
    ASSERT_EQ(Page(), CWzdSheet::PageSource);
    EXPECT_EQ(sheet->currentPage()->title(), "Select the source coordinate system used");
    EXPECT_EQ(Text("sourceGridName"), "Geographic ( Longitude / Latitude )");
    EXPECT_EQ(Text("sourceDatumName"), "No datum selected");
    boxes.Clear();
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({108}));
    ChooseDatum("sourceDatumSelect", kWgs84);
    EXPECT_EQ(Text("sourceDatumName"), "WGS 84");
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageDestination);
    EXPECT_EQ(sheet->currentPage()->title(), "Select the destination coordinate system to convert to");
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({108, 109}));
    ChooseGrid("destinationGridSelect", kUtm31);
    EXPECT_EQ(Text("destinationGridName"), "WGS 84 / UTM zone 31N");
    EXPECT_EQ(Text("destinationDatumName"), "WGS 84");
    EXPECT_EQ(sheet->settings.destinationGrid, kUtm31);
    EXPECT_EQ(sheet->settings.destinationDatum, kWgs84);
    Next();

    // Layout: the first line's fields, the separator found on the second.
    ASSERT_EQ(Page(), CWzdSheet::PageLayout);
    EXPECT_EQ(sheet->currentPage()->title(), "Select source file fields and format");
    EXPECT_EQ(Find<QComboBox>("formatList")->currentText(), "Decimal degrees ( DDD.DDDDDD )");
    EXPECT_TRUE(Find<QComboBox>("formatList")->isEnabled());
    // The header names the columns, so it is ticked as a header.
    EXPECT_TRUE(Find<QAbstractButton>("headerCheck")->isChecked());
    EXPECT_EQ(Entries("separatorList"), (QStringList{"Autodetect", "Comma Separated", "Pipe Separated",
                                                     "Semicolon Separated", "Space Separated", "Tab Separated"}));
    EXPECT_EQ(Find<QComboBox>("separatorList")->currentText(), "Autodetect");
    EXPECT_EQ(sheet->settings.resolvedSeparator, ";");
    EXPECT_EQ(Entries("longitudeField"), (QStringList{"lon", "lat", "h", "name"}));
    EXPECT_EQ(Entries("altitudeField"), (QStringList{"N/A", "lon", "lat", "h", "name"}));
    EXPECT_EQ(Find<QComboBox>("longitudeField")->currentText(), "lon");
    EXPECT_EQ(Find<QComboBox>("latitudeField")->currentText(), "lat");
    EXPECT_EQ(Find<QComboBox>("altitudeField")->currentText(), "h");
    Next();
    EXPECT_EQ(sheet->settings.header, 1);

    // Preview: raw texts after the header line.
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    EXPECT_EQ(sheet->currentPage()->title(), "Preview and check source coordinates");
    // It names the button the page shows.
    EXPECT_TRUE(Label("previewText").contains("press 'Next' to start the conversion"));
    EXPECT_TRUE(sheet->button(QWizard::NextButton)->isVisible());
    auto* preview = Find<QTreeWidget>("previewList");
    ASSERT_EQ(preview->columnCount(), 3);
    EXPECT_EQ(preview->headerItem()->text(0), "Longitude");
    EXPECT_EQ(preview->headerItem()->text(1), "Latitude");
    EXPECT_EQ(preview->headerItem()->text(2), "Altitude");
    // Three equal columns over the list's width less the scroll bar's room.
    const int room = preview->width() - 25 - (preview->width() - 25) % 2;
    EXPECT_EQ(preview->columnWidth(0), room / 3) << preview->width();
    EXPECT_EQ(preview->columnWidth(2), room / 3);
    ASSERT_EQ(preview->topLevelItemCount(), 2);
    EXPECT_EQ(preview->topLevelItem(0)->text(0), "5.0");
    EXPECT_EQ(preview->topLevelItem(0)->text(1), "52.0");
    EXPECT_EQ(preview->topLevelItem(1)->text(1), "52.1");
    EXPECT_EQ(preview->topLevelItem(1)->text(2), "0");
    EXPECT_TRUE(Shown(QWizard::BackButton));
    EXPECT_TRUE(Shown(QWizard::NextButton));
    Next();

    // Start page: configured, then running, then completed.
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    EXPECT_EQ(sheet->currentPage()->title(), "Start the coordinate conversion");
    EXPECT_EQ(Status(), "Conversion has been configured. Please click the \"Finish\" button to start the "
                        "conversion process.");
    EXPECT_TRUE(Shown(QWizard::BackButton));
    EXPECT_TRUE(Shown(QWizard::FinishButton));
    EXPECT_FALSE(CancelEnabled());
    EXPECT_EQ(Progress(), 0);
    Finish();
    EXPECT_TRUE(sheet->isVisible());
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    EXPECT_EQ(Progress(), 100);
    EXPECT_FALSE(Button(QWizard::BackButton)->isEnabled());
    EXPECT_TRUE(Shown(QWizard::FinishButton));
    EXPECT_FALSE(CancelEnabled());
    EXPECT_EQ(ReadFile(destination), "lon;lat;h;name\n637294.37;5762926.81;10.00;a\n602743.34;5773221.94;0.00;b\n");
    EXPECT_EQ(boxes.Texts(), MessageTexts({108, 109}));

    // Finish now closes the wizard.
    Finish();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
}

TEST_F(TextWizard, ReturningToAPageShowsTheChoicesMadeBefore)
{
    const std::string source = Path("grid.txt");
    WriteFile(source, "155000 463000\n155100 463100\n");
    // The main window's identifiers come in: a UTM grid on both sides.
    Open(kUtm31, kUtm31, kWgs84, kWgs84);
    Next();
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", Path("out.txt"));
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageSource);
    EXPECT_EQ(Text("sourceGridName"), "WGS 84 / UTM zone 31N");
    // A datum chosen after a grid clears the grid.
    ChooseDatum("sourceDatumSelect", kWgs84);
    EXPECT_EQ(sheet->settings.sourceGrid, 0);
    EXPECT_EQ(Text("sourceGridName"), "Geographic ( Longitude / Latitude )");
    ChooseGrid("sourceGridSelect", kUtm31);
    Next();
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageLayout);
    // Grid coordinates are plain numbers: no format to choose. The blank
    // separates the fields.
    EXPECT_FALSE(Find<QComboBox>("formatList")->isEnabled());
    EXPECT_EQ(Entries("latitudeField"), (QStringList{"155000", "463000"}));
    Choose("longitudeField", "463000");
    Choose("latitudeField", "155000");
    Choose("altitudeField", "N/A");
    Choose("separatorList", "Space Separated");
    Next();
    EXPECT_EQ(sheet->settings.longitudeColumn, 2);
    EXPECT_EQ(sheet->settings.latitudeColumn, 1);
    EXPECT_EQ(sheet->settings.altitudeColumn, 0);
    EXPECT_EQ(sheet->settings.SeparatorChoice, 4);
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    auto* preview = Find<QTreeWidget>("previewList");
    EXPECT_EQ(preview->columnCount(), 2);
    EXPECT_EQ(preview->headerItem()->text(0), "Easting");
    EXPECT_EQ(preview->headerItem()->text(1), "Northing");
    ASSERT_EQ(preview->topLevelItemCount(), 2);
    EXPECT_EQ(preview->topLevelItem(1)->text(0), "463100");

    // Back along the same pages; each shows what was chosen.
    Back();
    ASSERT_EQ(Page(), CWzdSheet::PageLayout);
    EXPECT_EQ(Find<QComboBox>("longitudeField")->currentText(), "463000");
    EXPECT_EQ(Find<QComboBox>("altitudeField")->currentText(), "N/A");
    EXPECT_EQ(Find<QComboBox>("separatorList")->currentText(), "Space Separated");
    Back();
    Back();
    ASSERT_EQ(Page(), CWzdSheet::PageSource);
    EXPECT_EQ(Text("sourceGridName"), "WGS 84 / UTM zone 31N");
    Back();
    ASSERT_EQ(Page(), CWzdSheet::PageFiles);
    EXPECT_EQ(Text("sourceFile"), QString::fromStdString(source));
    Back();
    ASSERT_EQ(Page(), CWzdSheet::PageType);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TextWizard, CancelOperationStopsTheRunAndFinishRunsItAgain)
{
    const std::string source = Path("many.csv");
    const std::string destination = Path("many-out.csv");
    const int count = 400000;
    {
        std::ofstream out(source);
        for (int i = 0; i < count; ++i)
            out << 5.0 - (i % 1000) * 0.001 << "," << 52.0 - (i % 997) * 0.001 << ",1\n";
    }
    Open();
    Next();
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", destination);
    Next();
    ChooseSystems();
    Next();
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);

    Finish();
    // Running: no wizard buttons, only Cancel Operation.
    EXPECT_FALSE(Button(QWizard::BackButton)->isEnabled());
    EXPECT_FALSE(Button(QWizard::FinishButton)->isEnabled());
    EXPECT_TRUE(CancelEnabled());
    Click("cancelButton");
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion aborted. Press 'Back' to change the settings and convert again, or 'Finish' to close.");
    EXPECT_EQ(Progress(), 0);
    EXPECT_TRUE(Shown(QWizard::BackButton));
    EXPECT_TRUE(Shown(QWizard::FinishButton));
    EXPECT_FALSE(CancelEnabled());
    // The output holds the lines converted up to the cancellation.
    const std::size_t stopped = Lines(ReadFile(destination)).size();
    EXPECT_LT(stopped, static_cast<std::size_t>(count));

    // Finish starts the whole conversion again from the first line.
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    const std::vector<std::string> lines = Lines(ReadFile(destination));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(lines.front(), "637294.37,5762926.81,1.00");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TextWizard, AWorkersMessageIsShownOnTheWindowsThread)
{
    const std::string source = Path("points.csv");
    WriteFile(source, "5.0,52.0\n");
    Open();
    Next();
    Browse("sourceBrowse", source);
    // The destination's folder does not exist: the worker cannot create it.
    Browse("destinationBrowse", Path("no-folder/out.csv"));
    Next();
    ChooseSystems();
    Next();
    Next();
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(boxes.Texts(), MessageTexts({502}));
    EXPECT_EQ(boxes.OnWindowThread(), std::vector<bool>{true});
    // The status names the cause under the failure.
    EXPECT_TRUE(Status().startsWith("Conversion failed. Press 'Back' to change the settings and convert again, or "
                                    "'Finish' to close.\n"))
        << Status().toStdString();
    EXPECT_TRUE(Status().contains("no-folder/out.csv\" cannot be written")) << Status().toStdString();
    EXPECT_TRUE(Shown(QWizard::BackButton));
    EXPECT_TRUE(Shown(QWizard::FinishButton));
}

TEST(WizardFileFilters, NameAndPatternPairsBecomeDialogFilters)
{
    EXPECT_EQ(CWzdSheet::FileFilters("All Files (*.*)|*.*|CSV Files (*.csv)|*.csv|TXT/ASCII Files (*.txt)|*.txt||"),
              (QStringList{"All Files (*)", "CSV Files (*.csv)", "TXT/ASCII Files (*.txt)"}));
    EXPECT_EQ(CWzdSheet::FileFilters("Database Files (*.sqlite *.db *.mdb)|*.sqlite;*.db;*.mdb|MS Access Files "
                                     "(*.mdb)|*.mdb|"),
              (QStringList{"Database Files (*.sqlite *.db *.mdb)", "MS Access Files (*.mdb)"}));
}

} // namespace
