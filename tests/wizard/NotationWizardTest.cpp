// Map references on the text layout page: the notations each side's system
// takes are offered (the others named with why in the list's tool tip), a
// reference field read as the source or written as the destination, checked
// against GeographicLib's GeoConvert, and columns that clash refused.
#include "WizardFixture.h"

namespace {

using namespace wizardtest;

// GeoConvert's answer for one input line.
std::string GeoConvert(const std::string& options, const std::string& line)
{
    std::string answer;
    const std::string command = "echo '" + line + "' | GeoConvert " + options;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            answer += buffer;
        ::pclose(pipe);
    }
    while (!answer.empty() && answer.back() == '\n')
        answer.pop_back();
    return answer;
}

constexpr const char* kMgrs = "MGRS (WGS 84 grid)";
constexpr const char* kBritish = "British National Grid reference";
constexpr const char* kIrish = "Irish Grid reference";

struct NotationCase
{
    const char* what;
    const char* text; // the source file
    int sourceGrid;   // on WGS 84 when 0
    const char* sourceNotation;
    const char* destinationNotation;
    const char* field; // the reference field's entry
    const char* altitude;
    std::vector<const char*> sourceOffers, sourceRefuses, destinationRefuses;
    const char* refusal; // the layout page's message, or nullptr
    const char* preview; // the preview's first value, or nullptr
    std::string expected; // the converted file's data line
};

TEST_F(WizardTest, MapReferencesOnTheTextLayoutPage)
{
    const std::string utm = GeoConvert("-u -p 2", "31UFU2813703926"); // "31n 628137.50 5803926.50"
    const std::vector<NotationCase> cases = {
        {"numbers written as MGRS in a new field", "name;lon;lat\nDam;4.8936;52.3731\n", 0, nullptr, kMgrs,
         "A new last field", nullptr, {kMgrs}, {kBritish, kIrish}, {kBritish, kIrish}, nullptr, "4.8936",
         "Dam;4.8936;52.3731;" + GeoConvert("-m -p 0", "52.3731 4.8936")},
        {"MGRS read, numbers written in its place", "id;ref;h\n1;31UFU2813703926;5\n", 0, kMgrs, nullptr, "ref",
         "h", {}, {}, {}, nullptr, "31UFU2813703926",
         "1;" + utm.substr(4, 9) + ";" + utm.substr(14) + ";5.00"},
        {"British grid offered on its grid only", "id;ref\n1;TQ 30043 80358\n", 27700, kBritish, nullptr, "ref",
         nullptr, {kBritish}, {kIrish}, {kBritish}, nullptr, nullptr, ""},
        {"the reference field is the height's", "id;ref;h\n1;31UFU2813703926;5\n", 0, kMgrs, nullptr, "h", "h", {},
         {}, {}, "also a coordinate column", nullptr, ""},
    };
    for (const NotationCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        sheet.reset();
        boxes.Clear();
        const std::string source = Path("references.csv");
        const std::string destination = Path("converted.csv");
        WriteFile(source, c.text);
        fs::remove(destination);
        ThroughFilePage("textRadio", source, destination);
        if (c.sourceGrid != 0)
            ChooseGrid("sourceGridSelect", c.sourceGrid);
        else
            ChooseDatum("sourceDatumSelect", kWgs84);
        Next();
        ChooseGrid("destinationGridSelect", kUtm31);
        Next();
        ASSERT_EQ(Page(), CWzdSheet::PageLayout);
        const QStringList sourceEntries = Entries("sourceNotationList");
        const QString sourceTip = Find<QComboBox>("sourceNotationList")->toolTip();
        for (const char* offered : c.sourceOffers)
            EXPECT_TRUE(sourceEntries.contains(offered)) << offered;
        for (const char* refused : c.sourceRefuses)
        {
            EXPECT_FALSE(sourceEntries.contains(refused)) << refused;
            EXPECT_TRUE(sourceTip.contains(QStringLiteral("%1: reading").arg(refused))) << sourceTip.toStdString();
        }
        for (const char* refused : c.destinationRefuses)
            EXPECT_FALSE(Entries("destinationNotationList").contains(refused)) << refused;
        if (c.sourceNotation != nullptr)
            Choose("sourceNotationList", c.sourceNotation);
        if (c.destinationNotation != nullptr)
            Choose("destinationNotationList", c.destinationNotation);
        Choose("notationFieldList", c.field);
        // A reference read as the coordinate takes the coordinate fields' place.
        EXPECT_EQ(Find<QComboBox>("longitudeField")->isEnabled(), c.sourceNotation == nullptr);
        Choose("altitudeField", c.altitude != nullptr ? c.altitude : "N/A");
        Find<QCheckBox>("headerCheck")->setChecked(true);
        Next();
        if (c.refusal != nullptr)
        {
            EXPECT_EQ(Page(), CWzdSheet::PageLayout);
            ASSERT_EQ(boxes.Texts().size(), 1u);
            EXPECT_NE(boxes.Texts()[0].find(c.refusal), std::string::npos) << boxes.Texts()[0];
            continue;
        }
        ASSERT_EQ(Page(), CWzdSheet::PagePreview);
        if (c.preview == nullptr)
            continue;
        auto* preview = Find<QTreeWidget>("previewList");
        ASSERT_EQ(preview->topLevelItemCount(), 1);
        EXPECT_EQ(preview->topLevelItem(0)->text(0), c.preview);
        Next();
        Finish();
        ASSERT_TRUE(WaitForEnd());
        EXPECT_TRUE(Status().startsWith("Conversion completed")) << Status().toStdString();
        const std::string written = ReadFile(destination);
        EXPECT_EQ(written.substr(written.find('\n') + 1), c.expected + "\n");
        // The pages keep the systems the user chose.
        EXPECT_EQ(sheet->settings.destinationGrid, kUtm31);
    }
}

} // namespace
