#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "EditNumber.h"
#include "CatalogueModel.h"
#include "GridList.h"
#include "ManagementFixture.h"

namespace {

using EditNumberTest = ManagementTest;

// A filter once dropped the comma of "3,5" and the "e" of "-12.5e3", so 35
// and -12.53 were stored; the field keeps what was typed and the dialog
// judges the whole text when it saves.
TEST_F(EditNumberTest, TypedCharactersAreAllKept)
{
    CEditNumber edit;
    edit.show();
    QTest::keyClicks(&edit, QStringLiteral("a1b2,5.e-+x"));
    EXPECT_EQ(edit.text(), QStringLiteral("a1b2,5.e-+x"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("a1b2,5.e-+"));
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("1b2,5.e-+"));
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("-12.5e3"));
    EXPECT_EQ(edit.text(), QStringLiteral("-12.5e3"));
}

TEST_F(EditNumberTest, PasteKeepsTheClipboardTextWhole)
{
    CEditNumber edit;
    edit.show();
    QGuiApplication::clipboard()->setText(QStringLiteral("12.5 m"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("12.5 m"));

    edit.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("3,5"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("3,5"));

    // The paste replaces the selection.
    edit.setText(QStringLiteral("1000"));
    edit.setSelection(1, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("-7e3"));
    edit.Paste();
    EXPECT_EQ(edit.text(), QStringLiteral("1-7e30"));

    edit.setReadOnly(true);
    edit.selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("5"));
    edit.Paste();
    EXPECT_EQ(edit.text(), QStringLiteral("1-7e30"));

    edit.setReadOnly(false);
    QGuiApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    edit.selectAll();
    edit.Paste();
    EXPECT_EQ(edit.text(), QStringLiteral("1-7e30"));
}

TEST_F(EditNumberTest, GridListPaintsEvenAndOddRowsInTheirColours)
{
    CGridList list;
    CCatalogueModel rows({QString()}, &list);
    rows.SetRows({{1, {QString()}}, {2, {QString()}}, {3, {QString()}}});
    list.setModel(&rows);
    list.setSelectionMode(QAbstractItemView::NoSelection);
    list.setFocusPolicy(Qt::NoFocus);
    list.resize(200, 120);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.setCurrentIndex(QModelIndex());
    const QImage image = list.viewport()->grab().toImage();
    for (int row = 0; row < 3; ++row)
    {
        const QRect rect = list.visualRect(rows.index(row, 0));
        const qreal scale = image.devicePixelRatio();
        const QColor seen =
            image.pixelColor(static_cast<int>((rect.right() - 2) * scale), static_cast<int>(rect.center().y() * scale));
        EXPECT_EQ(seen, row % 2 == 0 ? QColor(253, 241, 249) : QColor(196, 238, 254)) << row;
    }
}

} // namespace
