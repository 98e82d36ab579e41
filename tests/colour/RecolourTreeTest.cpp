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
        // Scanned at 2048-byte clusters and rolled up, as a finished scan is.
        PosixDirLister lister;
        root = walk.run(lister, tmp.path().toStdString(), 2048);
        int maxdepth = 0;
        rollup(root, 0, maxdepth);
    }
};

TEST_F(RecolourTreeTest, EveryRecordGetsTheColourOfItsSpace)
{
    ColourRangeTable table;
    TreeColours shown;
    RecolourTree(shown, table);
    auto records = allbelow(root);
    ASSERT_EQ(records.size(), 10u); // five directories, five groups
    records.push_back(root);
    for (const dirrec* r : records)
        EXPECT_EQ(shown.colourof(*r), ColourOfSize(table, r->space)) << r->name();

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
    EXPECT_EQ(shown.colourof(*small), 2); // coloured by its space, not by its bytes (yellow)
    EXPECT_EQ(shown.colourof(*find(find(root, "mid"), "*.DAT")), 1); // exactly 10240: yellow
    dirrec* deeper = find(find(root, "mid"), "deeper");
    EXPECT_EQ(shown.colourof(*find(deeper, "*.BIN")), 2); // past 10240: cyan
    EXPECT_EQ(shown.colourof(*find(find(deeper, "deepest"), "*.ISO")), 7); // 5,000,000,000: grey
    EXPECT_EQ(shown.colourof(*find(root, "empty")), 1);
}

TEST_F(RecolourTreeTest, ANewTableRecoloursOnlyWhenApplied)
{
    ColourRangeTable table;
    TreeColours shown;
    RecolourTree(shown, table);
    auto ranges = ColourRangeTable::defaults();
    for (auto& r : ranges)
        r.colour = static_cast<std::int8_t>(9 - r.colour); // every band in another colour
    table.setranges(ranges);
    // Changed but not applied (OK in the dialog): the shown tree keeps its colours.
    for (const dirrec* r : allbelow(root))
        EXPECT_EQ(shown.colourof(*r), ColourOfSize(ColourRangeTable(), r->space)) << r->name();
    RecolourTree(shown, table);
    for (const dirrec* r : allbelow(root))
        EXPECT_EQ(shown.colourof(*r), 9 - ColourOfSize(ColourRangeTable(), r->space)) << r->name();
}

TEST(FinishedTree, OnlyAFinishedScanOnDisplay)
{
    RecordArena arena;
    dirrec* root = arena.make("/data", KindDirectory);
    dirrec* earlier = arena.make("/old", KindDirectory);
    const struct
    {
        bool hasroot;
        dirrec* shown;
        int running;
        bool finished;
    } cases[] = {
        { false, nullptr, 0, false }, // before the first scan
        { true, nullptr, 0, false }, // aborted: the tree stays empty
        { true, root, 1, false }, // a scan is running
        { true, nullptr, 1, false },
        { true, earlier, 0, false }, // the tree still shows another scan's root
        { true, root, 0, true },
    };
    for (const auto& c : cases) {
        ScanValues values;
        values.scanroot = c.hasroot ? root : nullptr;
        values.scaninprogress = c.running;
        EXPECT_EQ(hasfinishedtree(values, c.shown), c.finished) << c.hasroot << (c.shown != nullptr) << c.running;
    }
}

} // namespace
