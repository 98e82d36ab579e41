#include "RecolourTree.h"

#include "ColourRangeTable.h"
#include "PosixDirLister.h"
#include "Records.h"
#include "ScanValues.h"
#include "Walk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace qv;

namespace {

void numbernodes(dirrec* r, int& next)
{
    r->treenode = next++;
    for (dirrec* c = r->child; c; c = c->next)
        numbernodes(c, next);
}

std::vector<dirrec*> allbelow(dirrec* r)
{
    std::vector<dirrec*> out;
    for (dirrec* c = r->child; c; c = c->next) {
        out.push_back(c);
        const auto more = allbelow(c);
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

class RecolourTreeTest : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    RecordArena arena;
    test::Walk walk;
    dirrec* root = nullptr;

    void file(const QString& name, qint64 size)
    {
        QFile f(tmp.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
        ASSERT_TRUE(f.resize(size));
    }
    void SetUp() override
    {
        QDir d(tmp.path());
        ASSERT_TRUE(d.mkpath("small"));
        ASSERT_TRUE(d.mkpath("mid/deeper/deepest"));
        ASSERT_TRUE(d.mkpath("empty"));
        file("small/a.txt", 9000); // 10240 on disc
        file("small/b.txt", 100); // 2048
        file("mid/b.dat", 10240); // exactly 10240 on disc
        file("mid/deeper/c.bin", 10241); // 12288
        file("mid/deeper/deepest/huge.iso", 5000000000LL);
        file("top.log", 300000);
        // Scanned at 2048-byte clusters, rolled up, and every record given a node, as the tree building does.
        PosixDirLister lister;
        root = walk.run(lister, tmp.path().toStdString(), 2048);
        int maxdepth = 0;
        rollup(root, 0, maxdepth);
        int next = 0;
        numbernodes(root, next);
    }
};

TEST_F(RecolourTreeTest, EveryRecordBelowGetsTheColourOfItsSpace)
{
    ColourRangeTable table;
    root->stateimage = 0;
    RecolourTree(root, table);
    EXPECT_EQ(root->stateimage, 0) << "the caller colours the root itself";
    const auto records = allbelow(root);
    ASSERT_EQ(records.size(), 10u); // five directories, five groups
    for (const dirrec* r : records)
        EXPECT_EQ(r->stateimage, ColourOfSize(table, r->space)) << r->name();

    const auto find = [&](dirrec* parent, std::string_view name) {
        for (dirrec* c = parent->child; c; c = c->next)
            if (c->name() == name)
                return c;
        ADD_FAILURE() << name;
        return parent;
    };
    dirrec* small = find(root, "small");
    EXPECT_EQ(small->bytes, 9100);
    EXPECT_EQ(small->space, 12288);
    EXPECT_EQ(small->stateimage, 2); // coloured by its space, not by its bytes (yellow)
    EXPECT_EQ(find(find(root, "mid"), "*.DAT")->stateimage, 1); // exactly 10240: yellow
    dirrec* deeper = find(find(root, "mid"), "deeper");
    EXPECT_EQ(find(deeper, "*.BIN")->stateimage, 2); // past 10240: cyan
    EXPECT_EQ(find(find(deeper, "deepest"), "*.ISO")->stateimage, 7); // 5,000,000,000: grey
    EXPECT_EQ(find(root, "empty")->stateimage, 1);
}

TEST_F(RecolourTreeTest, NewTableRecoloursAndRecordsWithoutNodesStayAsTheyAre)
{
    ColourRangeTable table;
    RecolourTree(root, table);
    auto ranges = ColourRangeTable::defaults();
    for (auto& r : ranges)
        r.colour = static_cast<std::int8_t>(9 - r.colour); // every band in another colour
    table.setranges(ranges);
    dirrec* nonode = root->child; // "empty", a directory sorting first
    nonode->treenode = -1;
    nonode->stateimage = 0;
    RecolourTree(root, table);
    EXPECT_EQ(nonode->stateimage, 0);
    for (const dirrec* r : allbelow(root)) {
        if (r != nonode) {
            EXPECT_EQ(r->stateimage, 9 - ColourOfSize(ColourRangeTable(), r->space)) << r->name();
        }
    }
}

TEST_F(RecolourTreeTest, SubtreeOnlyAndEmptyRecords)
{
    ColourRangeTable table;
    dirrec* mid = root->child->next; // "mid"
    ASSERT_EQ(mid->name(), "mid");
    RecolourTree(mid, table);
    for (const dirrec* r : allbelow(root)) {
        bool inmid = false;
        for (const dirrec* p = r->parent; p; p = p->parent)
            inmid = inmid || p == mid;
        EXPECT_EQ(r->stateimage != 0, inmid) << r->name();
    }
    RecolourTree(nullptr, table); // nothing to do
    dirrec* leaf = arena.make("alone", KindDirectory);
    RecolourTree(leaf, table);
    EXPECT_EQ(leaf->stateimage, 0);
}

TEST(RecolourDeep, AMillionNodesDeepWithoutRecursion)
{
    RecordArena arena;
    dirrec* root = arena.make("/", KindDirectory);
    dirrec* at = root;
    for (int i = 0; i < 1000000; ++i) {
        dirrec* c = arena.make("d", KindDirectory);
        c->parent = at;
        c->treenode = i;
        c->space = i % 2 ? 20000000000.0 : 0;
        at->child = c;
        at = c;
    }
    ColourRangeTable table;
    RecolourTree(root, table);
    EXPECT_EQ(at->stateimage, 8); // the millionth: black
    EXPECT_EQ(at->parent->stateimage, 1);
}

TEST(FinishedTree, OnlyAFinishedScanOnDisplay)
{
    RecordArena arena;
    dirrec* root = arena.make("/data", KindDirectory);
    const struct
    {
        bool hasroot;
        int treenode;
        int running;
        bool finished;
    } cases[] = {
        { false, -1, 0, false }, // before the first scan
        { true, -1, 0, false }, // aborted: its records have no nodes
        { true, 0, 1, false }, // a scan is running
        { true, -1, 1, false },
        { true, 0, 0, true },
    };
    for (const auto& c : cases) {
        ScanValues values;
        root->treenode = c.treenode;
        values.scanroot = c.hasroot ? root : nullptr;
        values.scaninprogress = c.running;
        EXPECT_EQ(hasfinishedtree(values), c.finished) << c.hasroot << c.treenode << c.running;
    }
}

} // namespace
