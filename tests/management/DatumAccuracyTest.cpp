// The datum dialog states a user's datum's accuracy, or that a datum without parameters coincides
// with WGS 84; shipped datums show EPSG's accuracy and are not restated.
#include <QCheckBox>

#include "DatumLink.h"
#include "DialogSelectDatum.h"
#include "ManagementFixture.h"

namespace {

class DatumAccuracyTest : public ManagementTest
{
protected:
    std::unique_ptr<CDialogSelectDatum> Open(int preselect)
    {
        auto dialog = std::make_unique<CDialogSelectDatum>(nullptr, 0);
        dialog->SelectedDatumId = preselect;
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
};

TEST_F(DatumAccuracyTest, UserDatumsStateTheirAccuracyShippedOnesShowEpsgs)
{
    Sql("INSERT INTO tblDatums VALUES (50001, 'Mine', 7030, 8901, 1, '', 1, 2, 3, 0, 0, 0, 0)");
    Sql("INSERT INTO tblDatums VALUES (50002, 'On WGS 84', 7030, 8901, 0, '', 0, 0, 0, 0, 0, 0, 0)");
    const struct
    {
        int datum;
        const char* typed; // nullptr: the check box instead
        int kind;
        const char* describe;
    } cases[] = {
        {50001, "0.5", kLinkUser, "user parameters, 0.5 m"},
        {50001, "", kLinkUser, "user parameters, accuracy unknown"},
        {50002, nullptr, kLinkNull, "the user's statement (coincides with WGS 84), accuracy unknown"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.datum);
        auto d = Open(c.datum);
        Click(d.get(), "modifyButton");
        EXPECT_FALSE(Find<QLineEdit>(d.get(), "accuracy")->isReadOnly());
        EXPECT_EQ(Find<QCheckBox>(d.get(), "coincidesWithWgs84")->isEnabled(), c.datum == 50002);
        if (c.typed != nullptr)
            Type(d.get(), "accuracy", QString::fromLatin1(c.typed));
        else
            QTest::mouseClick(Find<QCheckBox>(d.get(), "coincidesWithWgs84"), Qt::LeftButton);
        Click(d.get(), "okButton");
        EXPECT_TRUE(boxes.Texts().empty());
        CDatumLink link;
        ASSERT_TRUE(LoadDatumLink(c.datum, link));
        EXPECT_EQ(link.kind, c.kind);
        EXPECT_EQ(link.Describe(), c.describe);
    }
    // Shown again when the row is selected.
    auto d = Open(50002);
    EXPECT_TRUE(Find<QCheckBox>(d.get(), "coincidesWithWgs84")->isChecked());

    auto shipped = Open(4277);
    EXPECT_EQ(Find<QLineEdit>(shipped.get(), "accuracy")->text(), QStringLiteral("2"));
    Click(shipped.get(), "modifyButton");
    EXPECT_TRUE(Find<QLineEdit>(shipped.get(), "accuracy")->isReadOnly());
}

} // namespace
