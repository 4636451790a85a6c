// The reference forms of the main window (MGRS, USNG, UTM, British and Irish
// grid references) driven through its lists, fields and buttons.
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QStandardItemModel>

#include "ConfigurationRecord.h"
#include "MainWindowFixture.h"
#include "Messages.h"

namespace {

using namespace mainwindowtest;

class ReferenceForms : public MainWindow
{
protected:
    // Chooses an item of a list as the keyboard does; false when the list
    // has no such item or will not take it (a greyed form).
    bool Pick(const char* list, const QString& item)
    {
        auto* box = Find<QComboBox>(list);
        const int index = box->findText(item);
        if (index < 0)
            return false;
        QTest::keyClick(box, Qt::Key_Home);
        while (box->currentIndex() < index)
        {
            const int before = box->currentIndex();
            QTest::keyClick(box, Qt::Key_Down);
            if (box->currentIndex() == before || box->currentIndex() > index)
                return false;
        }
        return box->currentIndex() == index;
    }

    // No message when piece is nullptr, else one that holds it.
    void ExpectMessage(const char* piece)
    {
        if (piece == nullptr)
        {
            EXPECT_TRUE(boxes.Texts().empty()) << boxes.Texts().front();
            return;
        }
        ASSERT_EQ(boxes.Texts().size(), 1u);
        EXPECT_NE(boxes.Texts()[0].find(piece), std::string::npos) << boxes.Texts()[0];
    }

    // A side's system: a grid when grid is nonzero, else the datum alone.
    void System(const char* side, int datum, int grid)
    {
        const std::string button = std::string(side) + (grid != 0 ? "GridSelect" : "DatumSelect");
        if (grid != 0)
            ChooseGrid(button.c_str(), grid);
        else
            ChooseDatum(button.c_str(), datum);
    }
};

const QString kMgrs = QStringLiteral("MGRS (WGS 84 grid)");
const QString kUsng = QStringLiteral("USNG (WGS 84 grid)");
const QString kUtm = QStringLiteral("UTM/UPS zone, easting, northing (WGS 84 grid)");
const QString kBng = QStringLiteral("British National Grid reference");
const QString kIrish = QStringLiteral("Irish Grid reference");

// What the command line writes for the same conversion, e.g.
//   geolynx-cli convert --from 27700 --to 4326 --notation bng --to-notation mgrs 'TQ 30043 80358'
struct Conversion
{
    int sourceDatum, sourceGrid;
    QString sourceForm; // empty: dd.dddd, text "latitude longitude"
    const char* text;
    int destinationDatum, destinationGrid;
    QString destinationForm;
    const char* choice; // precision or zone; nullptr keeps the list's first
    const char* expected;
    const char* refusal; // a piece of the message; nullptr: converted
};

TEST_F(ReferenceForms, ConvertAsTheCommandLineDoesOrSayWhy)
{
    const Conversion cases[] = {
        {kWgs84, 0, {}, "52 5", kWgs84, 0, kUsng, "1 m", "31U FT 37294 62926", nullptr},
        // --utm-zone 32 --precision 3
        {kWgs84, 0, {}, "52 5", kWgs84, 0, kUtm, "32", "32N 225451.740 5768595.564", nullptr},
        {kWgs84, 0, kUsng, "30U XC 99213 10904", 0, 27700, kBng, "6 digits (100 m)", "TQ 299 811", nullptr},
        {0, 27700, kBng, "TQ 30043 80358", kWgs84, 0, kMgrs, "1 m", "30UXC9933110142", nullptr},
        {0, 29903, kIrish, "O 15904 34671", kWgs84, 0, kUtm, "from the point", "29N 682356.840 5914683.202",
         nullptr},
        {kWgs84, 0, {}, "53.3498 -6.2603", 0, 29903, kIrish, "6 digits (100 m)", "O 159 346", nullptr},
        // Paris has no British reference; a zone that does not exist is no reference.
        {kWgs84, 0, {}, "48.85 2.35", 0, 27700, kBng, nullptr, "",
         "the point lies outside the lettered squares of the British National Grid"},
        // (the destination keeps what it showed: 0, 0)
        {kWgs84, 0, kMgrs, "32XNE1234512345", kWgs84, 0, kMgrs, nullptr, "31NAA6602100000",
         "zone 32X does not exist"},
    };
    for (const Conversion& c : cases)
    {
        SCOPED_TRACE(c.text);
        Open();
        System("source", c.sourceDatum, c.sourceGrid);
        System("destination", c.destinationDatum, c.destinationGrid);
        if (c.sourceForm.isEmpty())
        {
            Click("sourceModeDegrees");
            // "-6.2603" is typed as 6.2603 W.
            const QStringList numbers = QString::fromLatin1(c.text).split(QLatin1Char(' '));
            Type("sourceLatitude1", numbers[0]);
            Type("sourceLongitude1", QString(numbers[1]).remove(QLatin1Char('-')));
            Type("sourceLongitudeHemisphere", numbers[1].startsWith(QLatin1Char('-')) ? "W" : "E");
        }
        else
        {
            ASSERT_TRUE(Pick("sourceForms", c.sourceForm));
            Type("sourceLatitude1", QString::fromLatin1(c.text));
        }
        ASSERT_TRUE(Pick("destinationForms", c.destinationForm));
        if (c.choice != nullptr)
        {
            ASSERT_TRUE(Pick("destinationReferenceChoice", QString::fromLatin1(c.choice)));
        }
        boxes.Clear();
        Click("transformButton");
        EXPECT_EQ(Text("destinationLatitude1").toStdString(), c.expected);
        ExpectMessage(c.refusal);
    }
}

// Each side lists the forms of its kind; those its system does not take are
// greyed and say why.
TEST_F(ReferenceForms, OfferedWhereTheyApplyAndGreyedWithTheReason)
{
    const struct
    {
        int datum, grid;
        QString form;
        bool offered;
        const char* tip;
    } cases[] = {
        {kWgs84, 0, kMgrs, true, "the WGS 84 grid"},
        {4269, 0, kUsng, true, "used on GRS 1980"}, // NAD83
        {4277, 0, kMgrs, false, "other constants and the older lettering"}, // OSGB36, Airy 1830
        {0, 27700, kBng, true, ""},
        {0, 29903, kIrish, true, ""},
        {0, 2157, kIrish, false, "written only on the Irish Grid"}, // Irish Transverse Mercator
        {0, kUtm31, kBng, false, "written only on the British National Grid"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.form.toStdString() + " on " + std::to_string(c.grid != 0 ? c.grid : c.datum));
        System("source", c.datum, c.grid);
        auto* list = Find<QComboBox>("sourceForms");
        const int index = list->findText(c.form);
        ASSERT_GE(index, 0);
        EXPECT_TRUE(list->itemData(index, Qt::ToolTipRole).toString().contains(QString::fromLatin1(c.tip)))
            << list->itemData(index, Qt::ToolTipRole).toString().toStdString();
        const auto* model = qobject_cast<QStandardItemModel*>(list->model());
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->item(index)->isEnabled(), c.offered);
        if (c.offered)
        {
            EXPECT_TRUE(Pick("sourceForms", c.form));
            EXPECT_FALSE(Find<QComboBox>("sourceReferenceChoice")->isHidden());
            EXPECT_TRUE(Pick("sourceForms", list->itemText(0)));
        }
    }
    // A side without a grid lists no national grid reference, a grid side no MGRS.
    EXPECT_LT(Find<QComboBox>("destinationForms")->findText(kBng), 0);
    EXPECT_LT(Find<QComboBox>("sourceForms")->findText(kMgrs), 0);
}

TEST_F(ReferenceForms, PasteSwitchesTheSourceToTheReferenceOrSaysWhy)
{
    const struct
    {
        int datum, grid;
        const char* text;
        int mode;           // the form after the paste
        const char* shown;  // the reference field after the paste
        const char* choice; // the precision or zone shown
        const char* refusal;
    } cases[] = {
        {kWgs84, 0, "31U FT 37294 62926", ModeUsng, "31U FT 37294 62926", "1 m", nullptr},
        {kWgs84, 0, " 31UFT3762\r\n", ModeMgrs, "31UFT3762", "1 km", nullptr},
        {kWgs84, 0, "31N 637294 5762926", ModeUtm, "31N 637294.000 5762926.000", "from the point", nullptr},
        {0, 27700, "TQ 30043 80358", ModeBritishGrid, "TQ 30043 80358", "10 digits (1 m)", nullptr},
        {0, 27700, "TQ300803", ModeBritishGrid, "TQ 300 803", "6 digits (100 m)", nullptr},
        {kWgs84, 0, "TQ 30043 80358", ModeDegreesMinutesSeconds, "000", nullptr, "choose its grid for this side"},
        {0, 27700, "31U FT 37294 62926", ModeGrid, "000.000", nullptr, "choose a datum alone"},
        {0, 27700, "O 15904 34671", ModeGrid, "000.000", nullptr, "written only on the Irish Grid"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        Open();
        System("source", c.datum, c.grid);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.text));
        boxes.Clear();
        Click("sourcePaste");
        EXPECT_EQ(window->SideState(CGeolynxDlg::Source).displayMode, c.mode);
        EXPECT_EQ(Text("sourceLatitude1").toStdString(), c.shown);
        if (c.choice != nullptr)
        {
            EXPECT_EQ(Find<QComboBox>("sourceReferenceChoice")->currentText().toStdString(), c.choice);
        }
        ExpectMessage(c.refusal);
    }
}

TEST_F(ReferenceForms, CtrlVInASourceFieldTakesAReferenceWhole)
{
    ChooseGrid("sourceGridSelect", 27700);
    for (auto [clipboard, mode, shown] : {std::tuple{"TQ 300 803", ModeBritishGrid, "TQ 300 803"},
                                          std::tuple{"12", ModeBritishGrid, "TQ 300 80312"}})
    {
        QGuiApplication::clipboard()->setText(QString::fromLatin1(clipboard));
        auto* field = Find<QLineEdit>("sourceLatitude1");
        field->setFocus();
        field->end(false);
        QTest::keySequence(field, QKeySequence::Paste);
        EXPECT_EQ(window->SideState(CGeolynxDlg::Source).displayMode, mode) << clipboard;
        EXPECT_EQ(field->text().toStdString(), shown) << clipboard;
    }
}

TEST_F(ReferenceForms, PrecisionCopySwapAndConfigurationKeepThePoint)
{
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect", 27700);
    ASSERT_TRUE(Pick("sourceForms", kUsng));
    Type("sourceLatitude1", QStringLiteral("30U XC 99213 10904"));
    // A coarser square and back gives the reference written first.
    const std::pair<const char*, const char*> steps[] = {
        {"100 km", "30U XC"}, {"1 km", "30U XC 99 10"}, {"1 m", "30U XC 99213 10904"}};
    for (auto [size, shown] : steps)
    {
        ASSERT_TRUE(Pick("sourceReferenceChoice", QString::fromLatin1(size)));
        EXPECT_EQ(Text("sourceLatitude1").toStdString(), shown);
    }
    // A zone chosen for UTM leaves the precision of the others as it was.
    ASSERT_TRUE(Pick("sourceForms", kUtm));
    ASSERT_TRUE(Pick("sourceReferenceChoice", QStringLiteral("31")));
    ASSERT_TRUE(Pick("sourceForms", kUsng));
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("30U XC 99213 10904"));
    EXPECT_EQ(Find<QLabel>("sourceLatitudeLabel")->text(), QStringLiteral("Reference:"));
    EXPECT_EQ(Find<QLabel>("sourceLongitudeLabel")->text(), QStringLiteral("Precision:"));
    EXPECT_TRUE(Find<QLineEdit>("sourceLongitude1")->isHidden());
    EXPECT_EQ(Find<QLineEdit>("sourceLatitude1")->accessibleName(), QStringLiteral("Source reference"));
    ASSERT_TRUE(Pick("destinationForms", kBng));
    Click("transformButton");
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("TQ 29936 81121"));
    Click("destinationCopy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("TQ 29936 81121"));
    // Each side keeps its form across a swap, and the point its reference names.
    Click("swapButton");
    EXPECT_EQ(window->SideState(CGeolynxDlg::Source).displayMode, ModeBritishGrid);
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("TQ 29936 81121"));
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("30U XC 99213 10904"));
    // The form survives closing and opening; another datum drops a form it does not take.
    window->accept();
    Open();
    EXPECT_EQ(window->SideState(CGeolynxDlg::Source).displayMode, ModeBritishGrid);
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("TQ 29936 81121"));
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("30U XC 99213 10904"));
    ChooseDatum("destinationDatumSelect", 4277);
    EXPECT_EQ(window->SideState(CGeolynxDlg::Destination).displayMode, ModeDegreesMinutesSeconds);
    EXPECT_FALSE(Find<QLineEdit>("destinationLongitude1")->isHidden());
}

// One side of a saved state: its system, its form and the precision or zone
// chosen, and the text shown.
struct KeptSide
{
    int datum, grid;
    QString form;
    const char* choice;
    const char* shown;
};

// Each side's precision or UTM zone is kept beside the 72-byte state through
// closing and opening; a state of the first version (heights only) shows the
// same points at 1 m and in the point's own zone; a damaged file refuses the state.
TEST_F(ReferenceForms, ASavedStateKeepsEachSidesPrecisionAndZone)
{
    struct Case
    {
        const char* typed;
        KeptSide source, destination;
    };
    const Case cases[] = {
        {"30UXC9921310904", {kWgs84, 0, kMgrs, "10 m", "30UXC99211090"},
         {0, 27700, kBng, "6 digits (100 m)", "TQ 299 811"}},
        {"31N 370123.456 5710456.789", {kWgs84, 0, kUtm, "30", "30N 786262.869 5716874.293"},
         {kWgs84, 0, kMgrs, "10 m", "31UCT70121045"}},
        {"TQ 30043 80358", {0, 27700, kBng, "6 digits (100 m)", "TQ 300 803"},
         {kWgs84, 0, kUtm, "31", "31N 282969.372 5710859.687"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        Open();
        for (auto [side, kept] : {std::pair{"source", &c.source}, {"destination", &c.destination}})
        {
            System(side, kept->datum, kept->grid);
            ASSERT_TRUE(Pick((std::string(side) + "Forms").c_str(), kept->form)) << side;
        }
        Type("sourceLatitude1", QString::fromLatin1(c.typed));
        ASSERT_TRUE(Pick("sourceReferenceChoice", QString::fromLatin1(c.source.choice)));
        ASSERT_TRUE(Pick("destinationReferenceChoice", QString::fromLatin1(c.destination.choice)));
        Click("transformButton");
        for (int reopened = 0; reopened < 2; ++reopened)
        {
            EXPECT_EQ(Text("sourceLatitude1").toStdString(), c.source.shown) << reopened;
            EXPECT_EQ(Text("destinationLatitude1").toStdString(), c.destination.shown) << reopened;
            EXPECT_EQ(Find<QComboBox>("destinationReferenceChoice")->currentText(),
                      QString::fromLatin1(c.destination.choice));
            window->accept();
            Open();
        }
        ExpectMessage(nullptr);
    }

    // The first version's file: the centres of the squares last saved, at 1 m.
    window.reset();
    ASSERT_TRUE((HeightSystems{0, 0}.Save(configuration)));
    Open();
    ExpectMessage(nullptr);
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("TQ 30050 80350"));
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("30N 699337.904 5710133.950"));

    // Only what Save writes is taken: a precision or zone no list offers is damage.
    const std::string good = "Geolynx side choices 1\nsource height 0\nsource precision 100\nsource zone 0\n"
                             "destination height 0\ndestination precision 1\ndestination zone 31\n";
    const std::pair<std::string, const char*> files[] = {
        {good, nullptr},
        {std::string(good).replace(good.find("100"), 3, "20"), "heights file"},
        {std::string(good).replace(good.find("zone 31"), 7, "zone 61"), "heights file"},
        {good + "source zone 0\n", "heights file"},
    };
    for (const auto& [text, refusal] : files)
    {
        window.reset();
        std::ofstream(HeightSystems::PathBeside(configuration), std::ios::binary | std::ios::trunc) << text;
        Open();
        ExpectMessage(refusal);
        EXPECT_EQ(Text("sourceLatitude1").toStdString(), refusal == nullptr ? "TQ 300 803" : "000") << text;
        boxes.Clear();
    }
}

// Under Xvfb, for a person to look at: MGRS on the source, a British
// reference on the destination.
TEST_F(ReferenceForms, Screenshot)
{
    const char* path = std::getenv("GEOLYNX_REFERENCE_SCREENSHOT");
    if (path == nullptr || *path == '\0')
        GTEST_SKIP() << "GEOLYNX_REFERENCE_SCREENSHOT names no file";
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect", 27700);
    window->show();
    QTest::qWait(200);
    EXPECT_TRUE(window->grab().save(QString::fromLocal8Bit(path).replace(QStringLiteral(".png"), "-before.png")));
    ASSERT_TRUE(Pick("sourceForms", kMgrs));
    Type("sourceLatitude1", QStringLiteral("30UXC9921310904"));
    ASSERT_TRUE(Pick("destinationForms", kBng));
    Click("transformButton");
    window->show();
    QTest::qWait(200);
    EXPECT_TRUE(window->grab().save(QString::fromLocal8Bit(path)));
}

} // namespace
