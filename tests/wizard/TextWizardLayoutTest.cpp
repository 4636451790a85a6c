// The text conversion's own pages as a user meets them with ordinary files:
// the layout page follows another separator at once, takes the columns a
// header names, refuses what cannot be converted; the file page asks before
// replacing a file and refuses a FIFO; the start page tells of lines left
// unconverted, and a cancelled run leaves the destination as it was.
#include "WizardFixture.h"

#include <sys/stat.h>

namespace {

using namespace wizardtest;

class TextLayout : public WizardTest
{
protected:
    // Type and file pages, then the two systems: WGS 84 onto UTM zone 31N.
    void ToLayoutPage(const std::string& source, const std::string& destination)
    {
        Open();
        Next();
        Browse("sourceBrowse", source);
        Browse("destinationBrowse", destination);
        Next();
        ChooseSystems();
        ASSERT_EQ(Page(), CWzdSheet::PageLayout);
    }
};

TEST_F(TextLayout, ASeparatorTakesEffectAtOnceAndTheHeadersNamesChooseTheColumns)
{
    const std::string source = Path("cities.csv");
    const std::string destination = Path("cities-utm.csv");
    WriteFile(source, "Name;ID;LAT;LON\n\"Amsterdam; Centraal\";1234567;52,37;4,9\n");
    ToLayoutPage(source, destination);

    EXPECT_EQ(sheet->settings.resolvedSeparator, ";");
    EXPECT_EQ(Entries("longitudeField"), (QStringList{"Name", "ID", "LAT", "LON"}));
    EXPECT_EQ(Find<QComboBox>("longitudeField")->currentText(), "LON");
    EXPECT_EQ(Find<QComboBox>("latitudeField")->currentText(), "LAT");
    // The identifier in the third place is not taken for a height.
    EXPECT_EQ(Find<QComboBox>("altitudeField")->currentText(), "N/A");
    EXPECT_FALSE(Find<QLabel>("separatorHint")->isVisible());
    EXPECT_TRUE(Label("layoutHelp").contains("decimal comma"));

    // Another separator lists its fields without leaving the page.
    Choose("separatorList", "Comma Separated");
    EXPECT_EQ(sheet->settings.resolvedSeparator, ",");
    EXPECT_EQ(Entries("latitudeField"), (QStringList{"Name;ID;LAT;LON"}));
    Choose("separatorList", "Semicolon Separated");
    EXPECT_EQ(Entries("latitudeField"), (QStringList{"Name", "ID", "LAT", "LON"}));
    EXPECT_EQ(Find<QComboBox>("longitudeField")->currentText(), "LON");

    // Headers that name the columns are ticked as a header line.
    EXPECT_TRUE(Find<QAbstractButton>("headerCheck")->isChecked());
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    auto* preview = Find<QTreeWidget>("previewList");
    ASSERT_EQ(preview->topLevelItemCount(), 1);
    EXPECT_EQ(preview->topLevelItem(0)->text(0), "4,9");
    EXPECT_EQ(preview->topLevelItem(0)->text(1), "52,37");
    Next();
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    // cs2cs: 4.9 52.37 -> 629351.91 5803890.80.
    EXPECT_EQ(ReadFile(destination), "Name;ID;LAT;LON\n\"Amsterdam; Centraal\";1234567;5803890,80;629351,91\n");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TextLayout, NextRefusesAnUnclearSeparatorAndAFieldChosenTwice)
{
    const std::string source = Path("unclear.csv");
    WriteFile(source, "5,52\n6;53\n");
    ToLayoutPage(source, Path("out.csv"));
    EXPECT_TRUE(Find<QLabel>("separatorHint")->isVisible());
    Next();
    EXPECT_EQ(Page(), CWzdSheet::PageLayout);
    EXPECT_EQ(boxes.Texts(), MessageTexts({520}));

    Choose("separatorList", "Comma Separated");
    EXPECT_FALSE(Find<QLabel>("separatorHint")->isVisible());
    EXPECT_EQ(Entries("longitudeField"), (QStringList{"5", "52"}));
    Choose("longitudeField", "52");
    Choose("latitudeField", "52");
    Next();
    EXPECT_EQ(Page(), CWzdSheet::PageLayout);
    EXPECT_EQ(boxes.Texts(), MessageTexts({520, 521}));

    Choose("longitudeField", "5");
    Choose("altitudeField", "5");
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({520, 521, 521}));
    Choose("altitudeField", "N/A");
    Next();
    EXPECT_EQ(Page(), CWzdSheet::PagePreview);
    EXPECT_EQ(sheet->settings.SeparatorChoice, 1);
    EXPECT_EQ(sheet->settings.longitudeColumn, 1);
    EXPECT_EQ(sheet->settings.latitudeColumn, 2);
    EXPECT_EQ(sheet->settings.altitudeColumn, 0);
}

TEST_F(TextLayout, TheFilePageAsksBeforeReplacingAndRefusesAFifo)
{
    const std::string source = Path("points.csv");
    const std::string existing = Path("existing.csv");
    WriteFile(source, "5,52\n");
    WriteFile(existing, "keep me\n");
    Open();
    Next();
    EXPECT_TRUE(Find<QLabel>("destinationNote")->isVisible());
    EXPECT_TRUE(Label("destinationNote").contains("leaves the destination as it was"));
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", existing);
    EXPECT_EQ(boxes.Texts(), MessageTexts({522}));
    EXPECT_EQ(Text("destinationFile"), "");
    boxes.SetAnswer(true);
    Browse("destinationBrowse", existing);
    EXPECT_EQ(Text("destinationFile"), QString::fromStdString(existing));
    EXPECT_EQ(ReadFile(existing), "keep me\n");

    // A FIFO could be read once only, and waiting for its writer would
    // block the window. The file dialog lists no FIFO, so one takes the
    // place of the file chosen.
    const std::string fifo = Path("points.fifo");
    WriteFile(fifo, "5,52\n");
    Browse("sourceBrowse", fifo);
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Next();
    EXPECT_EQ(Page(), CWzdSheet::PageFiles);
    EXPECT_EQ(boxes.Texts().back(), LoadMessage(504));
}

TEST_F(TextLayout, TheStartPageTellsOfLinesLeftUnconvertedAndACancelKeepsTheDestination)
{
    const std::string source = Path("mixed.csv");
    const std::string destination = Path("mixed-out.csv");
    WriteFile(source, "5,52\nunknown,52\n3,51\n5,95\n");
    ToLayoutPage(source, destination);
    Next();
    Next();
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(Status().startsWith("Conversion completed. Press 'Finish' to continue.")) << Status().toStdString();
    EXPECT_TRUE(Status().contains("2 lines were not converted")) << Status().toStdString();
    EXPECT_TRUE(Status().contains("line 2 (longitude field 1 is not a number), line 4 (")) << Status().toStdString();
    EXPECT_EQ(ReadFile(destination), "637294.37,5762926.81\nunknown,52\n500000.00,5649824.89\n5,95\n");
    sheet.reset();

    // A cancelled run over a large file: the earlier output stays.
    const std::string large = Path("large.csv");
    {
        std::ofstream out(large);
        for (int i = 0; i < 400000; ++i)
            out << "5,52\n";
    }
    boxes.SetAnswer(true);
    ToLayoutPage(large, destination);
    Next();
    Next();
    Finish();
    Click("cancelButton");
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion aborted. Press 'Back' to change the settings and convert again, or 'Finish' to close.");
    EXPECT_EQ(ReadFile(destination), "637294.37,5762926.81\nunknown,52\n500000.00,5649824.89\n5,95\n");
}

} // namespace
