#include <QHeaderView>
#include <QImage>
#include <cstdlib>
#include <functional>
#include <memory>

#include "DialogSelectCountry.h"
#include "DialogSelectDatum.h"
#include "DialogSelectEllipsoid.h"
#include "DialogSelectGrid.h"
#include "DialogSelectMeridian.h"
#include "GeolynxApp.h"
#include "GridList.h"
#include "ListSearch.h"
#include "ManagementFixture.h"

namespace {

class CatalogueListTest : public ManagementTest
{
protected:
    CGeolynxApp app;

    // The dialogs of the catalogue lists, shown.
    std::unique_ptr<QDialog> Open(const char* list)
    {
        const std::string name = list;
        std::unique_ptr<QDialog> d;
        if (name == "gridList")
            d = std::make_unique<CDialogSelectGrid>(app);
        else if (name == "datumList")
            d = std::make_unique<CDialogSelectDatum>(nullptr, 1); // with " Show all datums"
        else if (name == "ellipsoidList")
            d = std::make_unique<CDialogSelectEllipsoid>();
        else if (name == "meridianList")
            d = std::make_unique<CDialogSelectMeridian>();
        else
            d = std::make_unique<CDialogSelectCountry>(app);
        d->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(d.get()));
        return d;
    }
};

// A search leaves the matching rows next to each other, so the row colours
// still alternate on screen; the grid list alternates its own two colours.
TEST_F(CatalogueListTest, RowColoursAlternateOnScreenAfterASearch)
{
    const struct
    {
        const char* list;
        const char* search;
    } cases[] = {
        {"gridList", ""},           {"gridList", "utm zone 3"},  {"gridList", "326"},
        {"datumList", "osgb"},      {"ellipsoidList", "clarke"}, {"meridianList", "a"},
        {"countryList", "united"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.list) + " / " + c.search);
        auto d = Open(c.list);
        Type(d.get(), "searchField", QString::fromLatin1(c.search));
        auto* list = Find<QAbstractItemView>(d.get(), c.list);
        list->clearSelection();
        list->setCurrentIndex(QModelIndex());
        QApplication::processEvents();
        const QImage image = list->viewport()->grab().toImage();
        const QPalette::ColorGroup group = list->isActiveWindow() ? QPalette::Active : QPalette::Inactive;
        const QColor even = list->palette().color(group, QPalette::Base);
        const QColor odd = list->palette().color(group, QPalette::AlternateBase);
        ASSERT_NE(even, odd);
        if (qobject_cast<CGridList*>(list) != nullptr)
        {
            EXPECT_EQ(even, CGridList::RowColour(0));
            EXPECT_EQ(odd, CGridList::RowColour(1));
        }
        auto* tree = qobject_cast<QTreeView*>(list);
        int checked = 0;
        for (int row = 0; row < RowCount(list); ++row)
        {
            const QRect rect = list->visualRect(Row(list, row));
            if (!QRect(QPoint(), image.deviceIndependentSize().toSize()).contains(rect))
                break;
            // The right end of the first cell, clear of its text.
            const int x = tree != nullptr ? tree->columnViewportPosition(0) + tree->columnWidth(0) - 2 : rect.right() - 2;
            const qreal scale = image.devicePixelRatio();
            ASSERT_EQ(image.pixelColor(static_cast<int>(x * scale), static_cast<int>(rect.center().y() * scale)),
                      row % 2 == 0 ? even : odd)
                << "row " << row;
            ++checked;
        }
        EXPECT_GE(checked, 2);
        // Under Xvfb, each narrowed list for a person to look at.
        if (const char* folder = std::getenv("GEOLYNX_CATALOGUE_LIST_SCREENSHOTS"))
            d->grab().save(QStringLiteral("%1/%2-%3.png").arg(QString::fromLocal8Bit(folder), c.list, c.search));
    }
}

// A header click sorts by its column, in natural order (the EPSG column by
// identifier), with the arrow on that header; a second click turns the order
// round. The row of identifier 0 stays first.
TEST_F(CatalogueListTest, HeaderClickSortsWithTheArrowShown)
{
    const struct
    {
        const char* list;
        int column;
        bool byId;
    } cases[] = {
        {"gridList", 0, false},     {"gridList", 1, true},       {"gridList", 2, false},
        {"datumList", 0, true},     {"datumList", 1, false},     {"ellipsoidList", 0, true},
        {"meridianList", 2, false}, {"meridianList", 1, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.list) + " column " + std::to_string(c.column));
        auto d = Open(c.list);
        auto* list = Find<QTreeView>(d.get(), c.list);
        QHeaderView* header = list->header();
        const Qt::SortOrder before = header->sortIndicatorSection() == c.column ? header->sortIndicatorOrder()
                                                                                : Qt::DescendingOrder;
        const Qt::SortOrder orders[] = {before == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder,
                                        before, before};
        for (int click = 0; click < 3; ++click)
        {
            const Qt::SortOrder expected = orders[click];
            // The third time the grids are listed anew, as a filter does;
            // the order stays.
            if (click < 2)
                ClickHeader(list, c.column);
            else if (std::string(c.list) == "gridList")
                Click(d.get(), "countryFilterResetButton");
            ASSERT_TRUE(header->isSortIndicatorShown());
            ASSERT_EQ(header->sortIndicatorSection(), c.column);
            ASSERT_EQ(header->sortIndicatorOrder(), expected);
            const int sign = expected == Qt::AscendingOrder ? 1 : -1;
            int first = 0;
            if (RowCount(list) > 0 && RowId(list, 0) == 0)
                first = 1;
            EXPECT_EQ(first, std::string(c.list) == "datumList" ? 1 : 0);
            for (int row = first + 1; row < RowCount(list); ++row)
            {
                ASSERT_NE(RowId(list, row), 0) << row;
                if (c.byId)
                    ASSERT_LT(sign * RowId(list, row - 1), sign * RowId(list, row)) << row;
                else
                    ASSERT_LE(sign * NaturalCompare(Cell(list, row - 1, c.column), Cell(list, row, c.column)), 0)
                        << row;
            }
        }
    }
}

} // namespace
