// The tree model over the records and the tree's decorations.
#include "ScanTreeModel.h"

#include "ColourRangeTable.h"
#include "FigureWords.h"
#include "Labels.h"
#include "NodeDecorations.h"
#include "RangePalette.h"
#include "RecordChecks.h"
#include "Records.h"
#include "ScanTreeView.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>

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
        SiblingIndex here(parent);
        adddir(arena, here, name, &d);
        return d;
    }
    dirrec* file(dirrec* parent, const char* group, double size)
    {
        dirrec* g = nullptr;
        SiblingIndex here(parent);
        addgroup(arena, here, group, KindGroup, size, size, Rounding { 1, 4 }, &g);
        return g;
    }
    void sum()
    {
        test::checktree(root);
        rollup(root, 0, maxdepth);
    }
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
    EXPECT_EQ(model.indexof(t.root), model.index(0, 0));
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
        EXPECT_EQ(model.stateimage(*groups[i]), cases[i].colour) << cases[i].space;
        EXPECT_EQ(model.stateimage(*groups[i]->parent), cases[i].colour) << cases[i].space;
    }
    EXPECT_EQ(model.stateimage(*t.root), 8);

    // Colours follow the table given to build: every band coloured 5.
    ColourRangeTable red;
    ColourRangeTable::Ranges ranges = red.ranges();
    for (ColourRange& r : ranges)
        r.colour = 5;
    red.setranges(ranges);
    model.build(t.root, 32, red);
    for (dirrec* g : groups)
        EXPECT_EQ(model.stateimage(*g), 5);
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

    // A recolouring changes the shown table and asks for a repaint; the decoration follows.
    QSignalSpy changed(&model, &ScanTreeModel::discschanged);
    QSignalSpy moved(&model, &QAbstractItemModel::layoutChanged);
    const QPersistentModelIndex kept = model.indexof(g);
    ColourRangeTable six;
    ColourRangeTable::Ranges ranges = six.ranges();
    for (ColourRange& r : ranges)
        r.colour = 6;
    six.setranges(ranges);
    RecolourTree(model.colours(), six);
    model.refreshstateimages();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(moved.count(), 0);
    EXPECT_EQ(kept, model.indexof(g)); // nothing moved
    EXPECT_EQ(icon(g).cacheKey(), icons[6][1].cacheKey());
    EXPECT_EQ(icon(d).cacheKey(), icons[6][0].cacheKey());
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

// The names of parent's children in the model's order, each node checked against its record and label.
QStringList childnames(const ScanTreeModel& model, const QModelIndex& parent, int level)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        const dirrec* r = model.record(child);
        EXPECT_EQ(model.indexof(r), child);
        EXPECT_EQ(model.parent(child), parent);
        EXPECT_EQ(model.data(child).toString(), buildlabel(*r, 2 * level, model.labelwidth()));
        names << QString::fromUtf8(r->name().data(), r->namelen);
    }
    return names;
}

TEST(ScanTreeModel, LargestFirstReordersTheViewOnly)
{
    Records t;
    dirrec* a = t.dir(t.root, "a");
    dirrec* b = t.dir(t.root, "b");
    t.file(t.dir(t.root, "c"), "*.X", 100);
    t.file(a, "*.X", 100);
    t.file(b, "*.S", 10);
    t.file(b, "*.M", 200);
    dirrec* picked = t.file(b, "*.T", 200);
    t.file(t.root, "*.TXT", 210);
    t.file(t.root, "*.C", 50);
    t.sum();

    ScanTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ScanTreeView view;
    view.setscanmodel(&model);
    model.build(t.root, 32, ColourRangeTable());
    view.showroot();
    view.expand(model.indexof(b));
    view.setCurrentIndex(model.indexof(picked));
    const QModelIndex root = model.index(0, 0);
    const QStringList names = { "a", "b", "c", "*.C", "*.TXT" };

    // By disc space, ties (b and *.TXT at 210, a and c at 100, *.M and *.T at 200) in the name order; the
    // expanded and the current node stay with their records, and the records keep their own order.
    model.setlargestfirst(true);
    EXPECT_EQ(childnames(model, root, 1), (QStringList { "b", "*.TXT", "a", "c", "*.C" }));
    EXPECT_EQ(childnames(model, model.indexof(b), 2), (QStringList { "*.M", "*.T", "*.S" }));
    EXPECT_TRUE(view.isExpanded(model.indexof(b)));
    EXPECT_FALSE(view.isExpanded(model.indexof(a)));
    EXPECT_EQ(view.currentIndex(), model.indexof(picked));
    EXPECT_EQ(t.root->child, a);
    EXPECT_EQ(a->next, b);
    // A new build keeps the chosen order; switching back restores the name order.
    model.build(t.root, 32, ColourRangeTable());
    EXPECT_EQ(childnames(model, model.index(0, 0), 1).first(), QStringLiteral("b"));
    view.expand(model.indexof(b));
    model.setlargestfirst(false);
    EXPECT_EQ(childnames(model, model.index(0, 0), 1), names);
    EXPECT_EQ(childnames(model, model.indexof(b), 2), (QStringList { "*.M", "*.S", "*.T" }));
    EXPECT_TRUE(view.isExpanded(model.indexof(b)));
}

TEST(ScanTreeModel, LaysOutOnlyTheChildrenOfNodesAViewOpens)
{
    Records t;
    dirrec* a = t.dir(t.root, "a");
    dirrec* big = t.dir(a, "big");
    t.file(big, "*.S", 10);
    t.file(big, "*.L", 300);
    t.file(t.root, "*.TXT", 5);
    t.sum();
    ScanTreeModel model;
    ScanTreeView view;
    view.setscanmodel(&model);
    model.build(t.root, 32, ColourRangeTable());
    EXPECT_EQ(model.nodecount(), 1u);
    view.showroot();
    QCoreApplication::processEvents();
    EXPECT_EQ(model.nodecount(), 3u); // the root and its two children
    // Largest first re-orders what is laid out; a node opened later comes in that order.
    model.setlargestfirst(true);
    EXPECT_EQ(model.nodecount(), 3u);
    view.expand(model.indexof(a));
    view.expand(model.indexof(big));
    EXPECT_EQ(childnames(model, model.indexof(big), 3), (QStringList { "*.L", "*.S" }));
    EXPECT_EQ(model.nodecount(), 6u);
}

TEST(ScanTreeView, StarExpandsTheSubtreeBreadthFirstWithinItsBound)
{
    // Three directories of three directories of two groups: 3 + 9 + 18 rows below the root.
    Records t;
    for (const char* n : { "a", "b", "c" }) {
        dirrec* d = t.dir(t.root, n);
        for (const char* m : { "x", "y", "z" }) {
            dirrec* e = t.dir(d, m);
            t.file(e, "*.A", 1);
            t.file(e, "*.B", 2);
        }
    }
    t.sum();
    ScanTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ScanTreeView view;
    view.setscanmodel(&model);
    model.build(t.root, 32, ColourRangeTable());
    const QModelIndex root = model.index(0, 0);
    auto expanded = [&] {
        int n = 0;
        for (const dirrec* d = t.root->child; d; d = d->next)
            for (const dirrec* e = d->child; e; e = e->next)
                n += view.isExpanded(model.indexof(e));
        return n;
    };
    // The node itself opens whatever the bound; then the root's 3, a's, b's and c's 3 each (12), and at
    // 14 rows one x of 2.
    EXPECT_EQ(view.expandbelow(root, 1), 3);
    EXPECT_TRUE(view.isExpanded(root));
    EXPECT_FALSE(view.isExpanded(model.indexof(t.root->child)));
    EXPECT_EQ(view.expandbelow(root, 14), 14);
    EXPECT_TRUE(view.isExpanded(model.indexof(t.root->child->next->next)));
    EXPECT_EQ(expanded(), 1);
    // "*" on the current node: the whole subtree fits.
    view.collapse(root);
    view.setCurrentIndex(root);
    QTest::keyClick(&view, Qt::Key_Asterisk);
    EXPECT_TRUE(view.isExpanded(root));
    EXPECT_EQ(expanded(), 9);
    EXPECT_EQ(view.expandbelow(root), 30);
}

TEST(FigureWords, TheFourFiguresInWords)
{
    const struct
    {
        std::uint32_t count;
        double bytes, space, whatif;
        const char* words;
    } cases[] = {
        { 1231, 2000000, 6400000, 6600000,
            "1,231 files · 1.9 MB in the files · 6.1 MB on disc (8,192-byte clusters) · 6.3 MB with 16 KB clusters" },
        // The unit is chosen after rounding: 1023.96 KB is 1.0 MB, not 1024.0 KB.
        { 0, 1048535, 0, 5.5e12,
            "0 files · 1.0 MB in the files · 0 bytes on disc (8,192-byte clusters) · 5.0 TB with 16 KB clusters" },
    };
    RecordArena arena;
    dirrec* r = arena.make("x", KindDirectory);
    for (const auto& c : cases) {
        r->count = c.count;
        r->bytes = c.bytes;
        r->space = c.space;
        r->whatif = c.whatif;
        EXPECT_EQ(figurewords(*r, 8192, 16).toStdString(), c.words);
    }
}

// WCAG contrast ratio of two colours.
double contrast(QColor a, QColor b)
{
    auto luminance = [](QColor c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(ScanTreeView, TextStaysReadableUnderADarkPalette)
{
    const QPalette saved = QApplication::palette();
    QPalette dark(Qt::white, QColor(53, 53, 53), QColor(80, 80, 80), QColor(25, 25, 25), QColor(40, 40, 40), Qt::white,
        Qt::white, QColor(35, 35, 35), QColor(53, 53, 53));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    QApplication::setPalette(dark);
    Records t;
    dirrec* a = t.dir(t.root, "alpha");
    t.file(a, "*.TXT", 5000);
    t.sum();
    ScanTreeModel model;
    ScanTreeView view;
    view.setscanmodel(&model);
    model.build(t.root, 32, ColourRangeTable());
    view.resize(700, 200);
    view.showroot();
    view.setCurrentIndex(model.indexof(a));
    const QImage image = view.viewport()->grab().toImage();
    QApplication::setPalette(saved);

    // The root's row: its ground right of the label, and the text colour farthest from that.
    const QRect row = view.visualRect(model.index(0, 0));
    const QColor ground = image.pixelColor(image.width() - 3, row.center().y());
    QColor text = ground;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = row.left() + view.iconSize().width() + 8; x < std::min(row.right(), image.width() - 1); ++x)
            if (contrast(image.pixelColor(x, y), ground) > contrast(text, ground))
                text = image.pixelColor(x, y);
    EXPECT_GE(contrast(text, ground), 4.5) << text.name().toStdString() << " on " << ground.name().toStdString();
    // The selection still shows.
    EXPECT_NE(image.pixelColor(image.width() - 3, view.visualRect(model.indexof(a)).center().y()), ground);
}

TEST(ScanTreeView, ContextMenuCopiesThePathAndSwitchesTheOrder)
{
    RecordArena arena;
    dirrec* root = arena.make("/", KindDirectory);
    dirrec *odd = nullptr, *group = nullptr, *top = nullptr;
    SiblingIndex rootindex(root);
    adddir(arena, rootindex, "caf\xe9", &odd);
    SiblingIndex oddindex(odd);
    addgroup(arena, oddindex, "*.TXT", KindGroup, 10, 10, Rounding { 1, 4 }, &group);
    addgroup(arena, rootindex, "*.C", KindGroup, 10, 10, Rounding { 1, 4 }, &top);
    int maxdepth = 0;
    rollup(root, 0, maxdepth);
    ScanTreeModel model;
    ScanTreeView view;
    view.setscanmodel(&model);
    model.build(root, 32, ColourRangeTable());
    view.resize(700, 300);
    view.showroot();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    // From the keyboard: the menu is for the current node; the path is display text.
    view.expand(model.indexof(odd));
    view.setCurrentIndex(model.indexof(group));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0));
    QApplication::sendEvent(&view, &key);
    QTRY_VERIFY(view.contextmenu()->isVisible());
    view.copypathaction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("/caf\uFFFD/*.TXT"));
    view.contextmenu()->close();

    // From the mouse: the node under the pointer; the root "/" gets no doubled separator.
    for (const auto& [r, path] : { std::pair { top, "/*.C" }, std::pair { root, "/" } }) {
        const QPoint under = view.visualRect(model.indexof(r)).center();
        QContextMenuEvent mouse(QContextMenuEvent::Mouse, under, view.viewport()->mapToGlobal(under));
        QApplication::sendEvent(view.viewport(), &mouse);
        QTRY_VERIFY(view.contextmenu()->isVisible());
        view.copypathaction()->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(path));
        view.contextmenu()->close();
    }

    // "Largest First" is a check item that switches the model's order.
    view.largestfirstaction()->trigger();
    EXPECT_TRUE(model.largestfirst());
}

TEST(NodeDecorations, AtTwiceThePixelRatioTheDiscIsDrawnSmoothly)
{
    const QImage hi = nodedecorations(RangePalette::stateimages())[5][0].pixmap(QSize(32, 16), 2.0).toImage();
    ASSERT_EQ(hi.size(), QSize(64, 32));
    EXPECT_EQ(hi.pixelColor(16, 16).rgb(), RangePalette::colour(5).rgb());
    // The disc's edge is blended, not the 1x pattern's steps doubled: pixels between red and white.
    int blended = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            blended += hi.pixelColor(x, y).red() == 255 && hi.pixelColor(x, y).green() % 255 != 0;
    EXPECT_GT(blended, 8);
}

} // namespace
