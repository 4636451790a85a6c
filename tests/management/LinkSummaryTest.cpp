// The datum and grid dialogs show the selected row's transformation to WGS 84, its accuracy and the
// row's area of use.
#include "DialogSelectDatum.h"
#include "DialogSelectGrid.h"
#include "GeolynxApp.h"
#include "LinkSummary.h"
#include "ManagementFixture.h"

namespace {

class LinkSummaryTest : public ManagementTest
{
protected:
    template <class Dialog>
    static QString Summary(Dialog& d)
    {
        return Find<CLinkSummary>(&d, "linkSummary")->text();
    }
};

TEST_F(LinkSummaryTest, DatumDialogShowsTheSelectedDatumsTransformation)
{
    const struct
    {
        int datum;
        const char* text;
    } cases[] = {
        {4277, "Transformation to WGS 84: EPSG:1314 OSGB36 to WGS 84 (6), 2 m\nAccuracy: 2 m\nArea of use: UK - "
               "Britain and UKCS 49°45'N to 61°N, 9°W to 2°E (49.75° to 61.01° N, -9° to 2.01° E)"},
        {4120, "Transformation to WGS 84: EPSG:8643, a chain of two operations, not applied: no usable "
               "transformation to WGS 84\nAccuracy: unknown (no usable transformation)\nArea of use: Greece - "
               "onshore (34.88° to 41.75° N, 19.57° to 28.3° E)"},
        {3821, "Transformation to WGS 84: no transformation to WGS 84 known\nAccuracy: unknown (no usable "
               "transformation)\nArea of use: Taiwan - onshore - mainland and Penghu (21.87° to 25.34° N, 119.25° to "
               "122.06° E)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.datum);
        auto d = std::make_unique<CDialogSelectDatum>(nullptr, 0);
        d->SelectedDatumId = c.datum;
        d->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
        EXPECT_EQ(Summary(*d).toStdString(), c.text);
    }
}

TEST_F(LinkSummaryTest, GridDialogShowsTheGridsAreaAndItsDatumsTransformation)
{
    CGeolynxApp app;
    auto d = std::make_unique<CDialogSelectGrid>(app);
    d->SelectedGridId = 28992;
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    EXPECT_EQ(Summary(*d).toStdString(),
              "Transformation to WGS 84: EPSG:4833 Amersfoort to WGS 84 (4), 1 m\nAccuracy: 1 m\nArea of use: "
              "Netherlands - onshore (50.75° to 53.7° N, 3.2° to 7.22° E)");
}

} // namespace
