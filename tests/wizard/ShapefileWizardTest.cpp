// Shapefile runs through the real pages: the layout and preview pages are
// skipped both ways, the set's three files are written, a cancelled run, the
// run after it, and closing the wizard while its worker waits for the window.
#include "WizardFixture.h"

#include <cstring>
#include <filesystem>

namespace {

using namespace wizardtest;

void PutBig(std::string& bytes, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<char>((v >> shift) & 0xff));
}

void PutLittle(std::string& bytes, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift <= 24; shift += 8)
        bytes.push_back(static_cast<char>((v >> shift) & 0xff));
}

void PutDouble(std::string& bytes, double value)
{
    char raw[8];
    std::memcpy(raw, &value, 8);
    bytes.append(raw, 8);
}

double DoubleAt(const std::string& bytes, std::size_t offset)
{
    double value = 0;
    std::memcpy(&value, bytes.data() + offset, 8);
    return value;
}

struct Point
{
    double x;
    double y;
};

std::string Header(std::int32_t lengthInWords, const std::vector<Point>& points)
{
    double xmin = points[0].x, xmax = points[0].x, ymin = points[0].y, ymax = points[0].y;
    for (const Point& p : points)
    {
        xmin = std::min(xmin, p.x);
        xmax = std::max(xmax, p.x);
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    std::string h;
    PutBig(h, 9994);
    for (int i = 0; i < 5; ++i)
        PutBig(h, 0);
    PutBig(h, lengthInWords);
    PutLittle(h, 1000);
    PutLittle(h, 1); // Point
    PutDouble(h, xmin);
    PutDouble(h, ymin);
    PutDouble(h, xmax);
    PutDouble(h, ymax);
    for (int i = 0; i < 4; ++i)
        PutDouble(h, 0);
    return h;
}

// A Point shapefile set: main file, index and an attribute file of bytes
// that are only copied.
void WriteShapefile(const std::string& shp, const std::vector<Point>& points)
{
    const auto count = static_cast<std::int32_t>(points.size());
    std::string main = Header((100 + 28 * count) / 2, points);
    std::string index = Header((100 + 8 * count) / 2, points);
    for (std::int32_t i = 0; i < count; ++i)
    {
        PutBig(index, (100 + 28 * i) / 2);
        PutBig(index, 10);
        PutBig(main, i + 1);
        PutBig(main, 10);
        PutLittle(main, 1);
        PutDouble(main, points[static_cast<std::size_t>(i)].x);
        PutDouble(main, points[static_cast<std::size_t>(i)].y);
    }
    const std::string base = shp.substr(0, shp.size() - 4);
    WriteFile(shp, main);
    WriteFile(base + ".shx", index);
    WriteFile(base + ".dbf", std::string("\x03\x7a\x0c\x09") + "attribute bytes" + std::string(1, '\x1a'));
}

class ShapefileWizard : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        source = Path("roads.shp");
        destination = Path("roads-utm.shp");
    }

    // Type, files and the two systems; ends on the start page.
    void ToStartPage()
    {
        ThroughFilePage("shapefileRadio", source, destination);
        ChooseSystems();
    }

    std::string source;
    std::string destination;
};

TEST_F(ShapefileWizard, SkipsLayoutAndPreviewBothWays)
{
    // cs2cs, WGS 84 to UTM zone 31N: 5 52 -> 637294.3659 5762926.8129,
    // 4.5 52.1 -> 602743.3363 5773221.9437.
    WriteShapefile(source, {{5.0, 52.0}, {4.5, 52.1}});
    Open();
    Click("shapefileRadio");
    EXPECT_EQ(sheet->settings.ConversionType, CONVERSION_SHAPEFILE);
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageFiles);
    Browse("sourceBrowse", source);
    EXPECT_EQ(requests.back().nameFilters, QStringList{"ESRI Shape Files (*.shp)"});
    EXPECT_EQ(requests.back().defaultSuffix, "shp");
    EXPECT_EQ(requests.back().mode, QFileDialog::AcceptOpen);
    Browse("destinationBrowse", destination);
    EXPECT_EQ(requests.back().nameFilters, QStringList{"ESRI Shape Files (*.shp)"});
    EXPECT_EQ(requests.back().mode, QFileDialog::AcceptSave);
    Next();
    ChooseSystems();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Back();
    EXPECT_EQ(Page(), CWzdSheet::PageDestination);
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    EXPECT_EQ(Find<QProgressBar>("progressBar")->value(), 100);
    EXPECT_TRUE(boxes.Texts().empty());

    const std::string in = ReadFile(source);
    const std::string out = ReadFile(destination);
    ASSERT_EQ(out.size(), in.size());
    // The header's length field and every record header are copied.
    EXPECT_EQ(out.substr(0, 36), in.substr(0, 36));
    EXPECT_NEAR(DoubleAt(out, 100 + 12), 637294.3659, 1e-3);
    EXPECT_NEAR(DoubleAt(out, 100 + 20), 5762926.8129, 1e-3);
    EXPECT_NEAR(DoubleAt(out, 128 + 12), 602743.3363, 1e-3);
    EXPECT_NEAR(DoubleAt(out, 128 + 20), 5773221.9437, 1e-3);
    // The box's corners (4.5, 52.0) and (5.0, 52.1), each converted as a point.
    double x = 0, y = 0;
    x = DoubleAt(out, 36);
    y = DoubleAt(out, 44);
    EXPECT_GT(x, 600000.0);
    EXPECT_LT(x, 610000.0);
    EXPECT_GT(y, 5760000.0);
    EXPECT_LT(y, 5765000.0);
    const std::string index = ReadFile(Path("roads-utm.shx"));
    ASSERT_EQ(index.size(), ReadFile(Path("roads.shx")).size());
    EXPECT_EQ(index.substr(36, 32), out.substr(36, 32));
    EXPECT_EQ(index.substr(100), ReadFile(Path("roads.shx")).substr(100));
    EXPECT_EQ(ReadFile(Path("roads-utm.dbf")), ReadFile(Path("roads.dbf")));

    Finish();
    EXPECT_FALSE(sheet->isVisible());
}

std::vector<Point> ManyPoints(int count)
{
    std::vector<Point> points;
    for (int i = 0; i < count; ++i)
        points.push_back({5.0 - (i % 100) * 0.01, 52.0 - (i % 97) * 0.01});
    return points;
}

// The page keeps the worker's reason under the end text: which file, which
// record, which check; nothing is left under the destination's names.
TEST_F(ShapefileWizard, FailedRunShowsWhyUnderTheEndText)
{
    WriteShapefile(source, {{5.0, 52.0}, {4.5, 52.1}});
    std::string main = ReadFile(source);
    main[100 + 8] = 99; // record 1's shape type
    WriteFile(source, main);
    Open();
    Click("shapefileRadio");
    Next();
    // The file page says what a run that does not complete keeps.
    EXPECT_TRUE(Label("destinationNote").contains("leaves the destination as it was"));
    EXPECT_TRUE(Label("destinationNote").contains("shapefile set"));
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", destination);
    Next();
    ChooseSystems();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Finish();
    ASSERT_TRUE(WaitForEnd());
    const QString status = Status();
    EXPECT_TRUE(status.startsWith("Conversion failed. Press 'Back' to change the settings and convert again, or 'Finish' to close.\n")) << status.toStdString();
    EXPECT_TRUE(status.contains("roads.shp: record 1")) << status.toStdString();
    EXPECT_TRUE(status.contains("shape type 99")) << status.toStdString();
    EXPECT_FALSE(std::filesystem::exists(destination));
}

TEST_F(ShapefileWizard, CancelOperationStopsBeforeTheNextRecordAndFinishRestarts)
{
    const int count = 2000;
    WriteShapefile(source, ManyPoints(count));
    ToStartPage();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    // The worker waits for the window to take its status and each
    // percentage, so Cancel Operation is clicked before it gets far.
    Finish();
    EXPECT_TRUE(CancelEnabled());
    EXPECT_FALSE(Button(QWizard::FinishButton)->isEnabled());
    Click("cancelButton");
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion aborted. Press 'Back' to change the settings and convert again, or 'Finish' to close.");
    EXPECT_EQ(Progress(), 0);
    EXPECT_TRUE(Shown(QWizard::BackButton));
    EXPECT_TRUE(Shown(QWizard::FinishButton));
    const std::string in = ReadFile(source);
    EXPECT_LT(ReadFile(destination).size(), in.size());
    // The later steps create their outputs but stop at once.
    EXPECT_LE(ReadFile(Path("roads-utm.shx")).size(), 100u);
    EXPECT_TRUE(ReadFile(Path("roads-utm.dbf")).empty());

    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    // The last percentage is taken before the last record is written.
    EXPECT_GE(Progress(), 99);
    const std::string out = ReadFile(destination);
    ASSERT_EQ(out.size(), in.size());
    // cs2cs: 4.99 51.99 -> 636638.4074 5761795.9059.
    EXPECT_NEAR(DoubleAt(out, 100 + 12), 637294.3659, 1e-3);
    EXPECT_NEAR(DoubleAt(out, 128 + 12), 636638.4074, 1e-3);
    EXPECT_NEAR(DoubleAt(out, 128 + 20), 5761795.9059, 1e-3);
    EXPECT_EQ(ReadFile(Path("roads-utm.dbf")), ReadFile(Path("roads.dbf")));
}

TEST_F(ShapefileWizard, ClosingMidRunCancelsAndWaitsForTheWorker)
{
    WriteShapefile(source, ManyPoints(2000));
    ToStartPage();
    Finish();
    ASSERT_EQ(sheet->StartPage().RunControl().Running(), 1);
    // The worker is waiting for the window to take its status; closing lets
    // it go, cancels it and waits for it to end.
    sheet->reject();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_EQ(sheet->StartPage().RunControl().Running(), 0);
    EXPECT_LT(ReadFile(destination).size(), ReadFile(source).size());
    // Notices still queued for the page are harmless, before and after it
    // has gone.
    QTest::qWait(20);
    sheet.reset();
    QTest::qWait(20);
    EXPECT_TRUE(boxes.Texts().empty());
}

} // namespace
