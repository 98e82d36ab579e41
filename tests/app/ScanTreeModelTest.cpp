// The tree model over the records and the tree's decorations.
#include "ScanTreeModel.h"

#include "ColourRangeTable.h"
#include "Labels.h"
#include "NodeDecorations.h"
#include "RangePalette.h"
#include "Records.h"
#include "ScanTreeView.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <string>

using namespace qv;

namespace {

struct Records
{
    RecordArena arena;
    dirrec* root = arena.make("/data", KindDirectory);
    int maxdepth = 0;

    dirrec* dir(dirrec* parent, const char* name)
    {
        dirrec* d = nullptr;
        adddir(arena, parent, name, &d);
        return d;
    }
    dirrec* file(dirrec* parent, const char* group, double size)
    {
        dirrec* g = nullptr;
        addgroup(arena, parent, group, KindGroup, size, size, Rounding { 1, 4 }, &g);
        return g;
    }
    void sum() { rollup(root, 0, maxdepth); }
};

// Checks every index below parent against the records; returns the number of nodes seen.
int checknodes(const ScanTreeModel& model, const QModelIndex& parent, const dirrec* r, int level, int W)
{
    int n = 1;
    EXPECT_EQ(model.record(parent), r);
    EXPECT_EQ(model.indexof(r), parent);
    EXPECT_EQ(model.data(parent).toString(), buildlabel(*r, 2 * level, W)) << r->name();
    int row = 0;
    for (const dirrec* c = r->child; c; c = c->next, ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        EXPECT_EQ(model.parent(child), parent);
        EXPECT_EQ(child.row(), row);
        n += checknodes(model, child, c, level + 1, W);
    }
    EXPECT_EQ(model.rowCount(parent), row);
    EXPECT_EQ(model.hasChildren(parent), row > 0);
    return n;
}

TEST(ScanTreeModel, ShowsEveryRecordInListOrderWithItsLabel)
{
    Records t;
    dirrec* a = t.dir(t.root, "a");
    dirrec* b = t.dir(t.root, "b");
    t.file(t.root, "*.TXT", 5000);
    t.file(t.root, "*.C", 1048066);
    dirrec* deep = t.dir(a, "x");
    for (int i = 0; i < 8; ++i)
        deep = t.dir(deep, "level");
    t.file(deep, "*.O", 1);
    t.file(b, "*.", 7);
    t.sum();

    ScanTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const ColourRangeTable table;
    model.build(t.root, labelwidth(t.maxdepth), table);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.columnCount(), 1);
    const int nodes = checknodes(model, model.index(0, 0), t.root, 0, labelwidth(t.maxdepth));
    EXPECT_EQ(nodes, 16);
    EXPECT_EQ(model.nodecount(), 16u);
    EXPECT_EQ(t.root->treenode, 0);
    EXPECT_EQ(model.index(1, 0), QModelIndex());
    EXPECT_EQ(model.index(0, 1), QModelIndex());
    EXPECT_EQ(model.index(4, 0, model.index(0, 0)), QModelIndex());
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST(ScanTreeModel, StateImageOfEveryNodeComesFromItsSpace)
{
    struct Case
    {
        double space;
        int colour;
    };
    const std::vector<Case> cases = { { 0, 1 }, { 10240, 1 }, { 10241, 2 }, { 1024000, 3 }, { 5e9, 7 }, { 2e10, 8 } };
    Records t;
    std::vector<dirrec*> groups;
    for (const Case& c : cases) {
        dirrec* d = t.dir(t.root, std::to_string(static_cast<long long>(c.space)).c_str());
        groups.push_back(t.file(d, "*.BIN", c.space));
    }
    t.sum();
    ScanTreeModel model;
    const ColourRangeTable table;
    model.build(t.root, 32, table);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(groups[i]->stateimage, cases[i].colour) << cases[i].space;
        EXPECT_EQ(groups[i]->parent->stateimage, cases[i].colour) << cases[i].space;
    }
    EXPECT_EQ(t.root->stateimage, 8);

    // Colours follow the table given to build: every band coloured 5.
    ColourRangeTable red;
    ColourRangeTable::Ranges ranges = red.ranges();
    for (ColourRange& r : ranges)
        r.colour = 5;
    red.setranges(ranges);
    model.build(t.root, 32, red);
    for (dirrec* g : groups)
        EXPECT_EQ(g->stateimage, 5);
}

TEST(ScanTreeModel, DecorationIsTheNodesStateImageBesideItsKindsImage)
{
    Records t;
    dirrec* d = t.dir(t.root, "d");
    dirrec* g = t.file(t.root, "*.TXT", 20000);
    t.sum();
    const Decorations icons = nodedecorations(RangePalette::stateimages());
    ScanTreeModel model;
    model.setdecorations(icons);
    model.build(t.root, 32, ColourRangeTable());
    auto icon = [&](const dirrec* r) { return model.data(model.indexof(r), Qt::DecorationRole).value<QIcon>(); };
    EXPECT_EQ(icon(d).cacheKey(), icons[1][0].cacheKey());
    EXPECT_EQ(icon(g).cacheKey(), icons[2][1].cacheKey());

    // A recolouring writes stateimage and asks for a repaint; the decoration follows.
    QSignalSpy changed(&model, &QAbstractItemModel::layoutChanged);
    const QPersistentModelIndex kept = model.indexof(g);
    g->stateimage = 6;
    d->stateimage = 0;
    model.refreshstateimages();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(kept, model.indexof(g)); // nothing moved
    EXPECT_EQ(icon(g).cacheKey(), icons[6][1].cacheKey());
    EXPECT_EQ(icon(d).cacheKey(), icons[0][0].cacheKey());
}

TEST(ScanTreeModel, RepaintingTheDiscsKeepsExpandedNodesAndTheSelection)
{
    Records t;
    dirrec* a = t.dir(t.root, "a");
    dirrec* b = t.dir(a, "b");
    t.file(b, "*.TXT", 1);
    t.sum();
    ScanTreeModel model;
    ScanTreeView view;
    view.setscanmodel(&model);
    model.build(t.root, 32, ColourRangeTable());
    view.showroot();
    view.expand(model.indexof(a));
    view.setCurrentIndex(model.indexof(b));
    model.refreshstateimages();
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.isExpanded(model.indexof(t.root)));
    EXPECT_TRUE(view.isExpanded(model.indexof(a)));
    EXPECT_FALSE(view.isExpanded(model.indexof(b)));
    EXPECT_EQ(view.currentIndex(), model.indexof(b));
}

TEST(NodeDecorations, DiscLeftOfTheNodeImageAndTheSelectedImageWhenSelected)
{
    const QList<QImage> discs = RangePalette::stateimages();
    const Decorations icons = nodedecorations(discs);
    for (int s = 0; s < 9; ++s) {
        for (int k = 0; k < 2; ++k) {
            const QImage normal = icons[s][k].pixmap(QSize(32, 16), 1.0, QIcon::Normal).toImage();
            const QImage selected = icons[s][k].pixmap(QSize(32, 16), 1.0, QIcon::Selected).toImage();
            ASSERT_EQ(normal.size(), QSize(32, 16));
            // The disc's centre in the left half; none for state 0.
            const QColor centre = normal.pixelColor(8, 8);
            if (s == 0)
                EXPECT_EQ(centre.alpha(), 0);
            else
                EXPECT_EQ(centre.rgb(), discs[s].pixelColor(8, 8).rgb()) << s;
            // Normal and selected differ only in the node image on the right.
            EXPECT_EQ(normal.copy(0, 0, 16, 16), selected.copy(0, 0, 16, 16));
            EXPECT_NE(normal.copy(16, 0, 16, 16), selected.copy(16, 0, 16, 16));
        }
        EXPECT_NE(icons[s][0].pixmap(QSize(32, 16)).toImage(), icons[s][1].pixmap(QSize(32, 16)).toImage());
    }
}

TEST(ScanTreeModel, ClearAndAMissingRootShowNothing)
{
    Records t;
    t.file(t.root, "*.TXT", 1);
    t.sum();
    ScanTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.build(t.root, 32, ColourRangeTable());
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.clear();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.record(model.index(0, 0)), nullptr);
    EXPECT_EQ(model.indexof(t.root), QModelIndex());
    model.build(nullptr, 32, ColourRangeTable());
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(ScanTreeView, FixedPitchFontAndAnIndentationOfTwoCharacters)
{
    ScanTreeView view;
    EXPECT_TRUE(QFontInfo(view.font()).fixedPitch()) << QFontInfo(view.font()).family().toStdString();
    // Two characters of a label are exactly one indentation step: the columns of all levels line up.
    const QString label = QStringLiteral("Windows .......(    3,        5KB,   12KB)");
    ASSERT_EQ(label.size() % 2, 0);
    EXPECT_EQ(QFontMetricsF(view.font()).horizontalAdvance(label), label.size() / 2 * view.indentation());
    EXPECT_TRUE(view.uniformRowHeights());
    EXPECT_EQ(view.editTriggers(), QAbstractItemView::NoEditTriggers);
}

} // namespace
