#include "ColourRangeTable.h"
#include "RangePalette.h"
#include "TQVHForm1.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qv;

namespace {

// "%15.0fKB" of n kilobytes: right-aligned in 15 characters.
QString kb(const char* digits)
{
    return QStringLiteral("%1KB").arg(QString::fromLatin1(digits), 15);
}

class LegendTest : public ::testing::Test
{
protected:
    ColourRangeTable table;
    QList<QImage> stateimages = RangePalette::stateimages();
    TQVHForm1 legend { table };
    QTreeWidget* list = legend.findChild<QTreeWidget*>(QStringLiteral("QVHList1"));

    QStringList row(int i) const { return { list->topLevelItem(i)->text(0), list->topLevelItem(i)->text(1) }; }
    int colour(int i) const { return list->topLevelItem(i)->data(0, TQVHForm1::StateImageRole).toInt(); }
};

TEST_F(LegendTest, Window)
{
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(legend.windowTitle(), QStringLiteral("Quorvane Colour Ranges"));
    legend.fill();
    EXPECT_GE(legend.width(), 304);
    EXPECT_GE(legend.height(), 160);
    EXPECT_EQ(legend.minimumSize(), legend.maximumSize());
    EXPECT_FALSE(legend.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(legend.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("                 From"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("To"));
    EXPECT_EQ(list->header()->sectionSize(0), 150);
    EXPECT_EQ(list->header()->sectionSize(1), 150);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(LegendTest, DefaultTable)
{
    legend.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&legend));
    legend.fill();
    // Every row and both columns in sight, without scrolling.
    for (int k = 0; k < 8; ++k)
        EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(k)))) << k;
    EXPECT_LE(list->header()->length(), list->viewport()->width());
    EXPECT_FALSE(list->verticalScrollBar()->isVisible());
    ASSERT_EQ(list->topLevelItemCount(), 8);
    const char* bounds[] = { "10", "100", "1000", "10000", "100000", "1000000", "10000000", "1000000000000000" };
    EXPECT_EQ(row(0), (QStringList { QStringLiteral("               0"), kb(bounds[0]) }));
    for (int k = 1; k < 8; ++k)
        EXPECT_EQ(row(k), (QStringList { kb(bounds[k - 1]), kb(bounds[k]) })) << k;
    EXPECT_EQ(row(7)[1], QStringLiteral("1000000000000000KB")); // the sentinel takes the room it needs
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(colour(k), k + 1);
        EXPECT_EQ(list->topLevelItem(k)->icon(0).pixmap(16, 16).toImage(), stateimages[k + 1]) << k;
    }
}

TEST_F(LegendTest, EqualBoundsShowTheEarlierColourAndTheTableAsItWasAtOpening)
{
    auto ranges = ColourRangeTable::defaults();
    ranges[3].bound = ranges[2].bound; // ranges 3 and 4 both end at 1000 KB
    ranges[0].colour = 5;
    table.setranges(ranges);
    legend.open(QRect(22, 32, 703, 397));
    ASSERT_EQ(list->topLevelItemCount(), 8);
    EXPECT_EQ(row(3), (QStringList { kb("1000"), kb("1000") }));
    EXPECT_EQ(row(4), (QStringList { kb("1000"), kb("100000") }));
    EXPECT_EQ(colour(0), 5);
    EXPECT_EQ(colour(2), 3);
    EXPECT_EQ(colour(3), 3); // range 3's colour, not its own 4
    EXPECT_EQ(colour(4), 5);

    table.setranges(ColourRangeTable::defaults()); // changed while open: not shown until it is opened again
    EXPECT_EQ(colour(3), 3);
    legend.hide();
    legend.open(QRect(22, 32, 703, 397));
    EXPECT_EQ(list->topLevelItemCount(), 8);
    EXPECT_EQ(colour(3), 4);
    EXPECT_EQ(row(3), (QStringList { kb("1000"), kb("10000") }));
}

} // namespace
