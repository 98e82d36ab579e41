// A rescan of one directory spliced into a summed tree, against a whole scan of the changed tree made
// afterwards: the same records, bit for bit, on a real directory tree.
#include "Rescan.h"

#include "DirLister.h"
#include "PosixDirLister.h"
#include "RecordChecks.h"
#include "Scan.h"
#include "TempTree.h"
#include "Walk.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// A whole scan of path, summed.
struct Whole
{
    Walk walk;
    int maxdepth = 0;
    explicit Whole(const std::string& path)
    {
        PosixDirLister lister;
        rollup(walk.run(lister, path), 0, maxdepth);
    }
    dirrec* root() const { return walk.root; }
};

// Walks the directory of dir again, as the scan thread's rescan does, and splices it in. Returns the tree's
// new maxdepth.
int rescan(Whole& tree, dirrec* dir, DiagStream& diag)
{
    FakeVolumes volumes;
    volumes.answer = { "/", "ext4", true, 4096, 100, 1572864 };
    PosixDirLister lister;
    dirrec* fresh = tree.walk.arena.make(dir->name(), KindDirectory);
    ScanJob job { tree.walk.arena, fresh, volumes, lister, tree.walk.sink, tree.walk.scanabort, tree.walk.whatifkb,
        true, 4096 };
    job.path = recordpath(*dir);
    job.below = std::string(tree.root()->name());
    job.diag = diag.file();
    const ScanSummary summary = runscan(job);
    EXPECT_TRUE(summary.completed);
    const int depth = splicedepth(tree.root(), dir, summary.maxdepth);
    splicesubtree(dir, fresh);
    checktree(tree.root());
    return depth;
}

dirrec* at(const dirrec* r, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        r = child(r, name);
    return const_cast<dirrec*>(r);
}

TEST(Rescan, ASplicedDirectoryEqualsAWholeScanOfTheChangedTree)
{
    TempTree t;
    for (const char* d : { "top", "top/sub", "top/sub/gone", "top/sub/keep", "other" })
        t.dir(d);
    t.file("top/a.txt", 100);
    t.file("top/sub/b.c", 5000);
    t.file("top/sub/c.c", 10);
    t.file("top/sub/old.log", 7);
    t.file("top/sub/gone/x.txt", 1);
    t.file("top/sub/keep/y.txt", 2);
    t.file("other/z.md", 3);
    t.file("w.bin", 1048066);
    Whole tree(t.root());
    dirrec* sub = at(tree.root(), { "top", "sub" });
    ASSERT_NE(sub, nullptr);

    // Files added, removed and grown, a group emptied, a group new, a directory gone, one new and deeper.
    t.file("top/sub/d.c", 123);
    ::unlink(t.at("top/sub/c.c").c_str());
    t.file("top/sub/b.c", 9000);
    ::unlink(t.at("top/sub/old.log").c_str());
    t.file("top/sub/new.py", 40000);
    ::unlink(t.at("top/sub/gone/x.txt").c_str());
    ::rmdir(t.at("top/sub/gone").c_str());
    t.dir("top/sub/fresh");
    t.dir("top/sub/fresh/deeper");
    t.file("top/sub/fresh/deeper/f.txt", 5);

    DiagStream diag;
    const int depth = rescan(tree, sub, diag);
    const Whole now(t.root());
    EXPECT_EQ(treetext(tree.root()), treetext(now.root()));
    EXPECT_EQ(depth, now.maxdepth);
    EXPECT_EQ(diag.str(), "");

    // Then things go again: the deepest branch, so the depth comes down; and the root itself.
    ::unlink(t.at("top/sub/fresh/deeper/f.txt").c_str());
    ::rmdir(t.at("top/sub/fresh/deeper").c_str());
    ::unlink(t.at("w.bin").c_str());
    dirrec* fresh = at(tree.root(), { "top", "sub", "fresh" });
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(rescan(tree, fresh, diag), Whole(t.root()).maxdepth);
    EXPECT_EQ(rescan(tree, tree.root(), diag), Whole(t.root()).maxdepth);
    EXPECT_EQ(treetext(tree.root()), treetext(Whole(t.root()).root()));
}

TEST(Rescan, AGoneDirectoryBecomesAnEmptyRecordWithTheWalkersDiagnostic)
{
    TempTree t;
    t.dir("top");
    t.dir("top/sub");
    t.dir("top/link");
    t.dir("elsewhere");
    t.file("top/sub/a.txt", 5000);
    t.file("top/link/b.txt", 10);
    t.file("elsewhere/c.txt", 10);
    t.file("top/d.txt", 1);
    Whole tree(t.root());

    ::unlink(t.at("top/sub/a.txt").c_str());
    ::rmdir(t.at("top/sub").c_str());
    // A directory replaced by a link is not followed, as the whole scan would not follow it.
    ::unlink(t.at("top/link/b.txt").c_str());
    ::rmdir(t.at("top/link").c_str());
    t.symlink(t.at("elsewhere"), "top/link");

    for (const char* name : { "sub", "link" }) {
        DiagStream diag;
        dirrec* dir = at(tree.root(), { "top", name });
        rescan(tree, dir, diag);
        EXPECT_EQ(diag.str(), "\ndirwalk function: can't open " + t.at("top/") + name + "\n");
        EXPECT_EQ(dir->child, nullptr);
        EXPECT_EQ(treetext(dir), std::string("0 dir ") + name + " 0 0x0p+0 0x0p+0 0x0p+0\n");
    }
    // Every directory above counts what is left.
    const dirrec* top = at(tree.root(), { "top" });
    EXPECT_EQ(top->count, 1u);
    EXPECT_EQ(top->bytes, 1);
    EXPECT_EQ(tree.root()->count, 2u);
    EXPECT_EQ(tree.root()->space, 8192);
}

} // namespace
