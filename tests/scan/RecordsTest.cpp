#include "Records.h"

#include "RecordChecks.h"
#include "ScanRules.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace qv;
using namespace qv::test;

namespace {

struct Tree
{
    RecordArena arena;
    dirrec* root = arena.make("/data", KindDirectory);
    Rounding rounding { 4096, 1 };

    // Without an index kept by the caller, each insertion indexes parent's children afresh.
    dirrec* dir(dirrec* parent, std::string_view name, SiblingIndex* kept = nullptr)
    {
        std::optional<SiblingIndex> fresh;
        dirrec* d = nullptr;
        adddir(arena, kept ? *kept : fresh.emplace(parent), name, &d);
        return d;
    }
    dirrec* file(dirrec* parent, std::string_view filename, double size, SiblingIndex* kept = nullptr)
    {
        std::optional<SiblingIndex> fresh;
        dirrec* g = nullptr;
        EXPECT_EQ(addgroup(arena, kept ? *kept : fresh.emplace(parent), groupname(filename), KindGroup, size, size,
                      rounding, &g),
            0);
        return g;
    }
};

} // namespace

TEST(NameCompare, OrderRules)
{
    struct Case
    {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        { "abc", "ABC", 0 },
        { "abc", "abd", -1 },
        { "b", "A", 1 },
        { "ab", "abc", -1 },
        { "abc", "ab", 1 },
        { "\xc3\xa9t\xc3\xa9", "A", -1 }, // bytes from 0x80 sort before ASCII
        { "ab\xc3\xa9", "ab", -1 }, // ... and before the end of a name
        { "ab", "ab\xc3\xa9", 1 },
        { "_", "a", 1 }, // '_' (0x5F) is above 'A' once a is upper-cased
        { "", "", 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(namecmp(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

TEST(ClusterRound, Boundaries)
{
    EXPECT_EQ(clusterround(0, 4096), 0);
    EXPECT_EQ(clusterround(1, 4096), 4096);
    EXPECT_EQ(clusterround(4096, 4096), 4096);
    EXPECT_EQ(clusterround(4097, 4096), 8192);
    EXPECT_EQ(clusterround(5368709120.0, 4096), 5368709120.0);
}

TEST(GroupName, FromLastDot)
{
    EXPECT_EQ(groupname("report.txt"), "*.TXT");
    EXPECT_EQ(groupname("NOTES.TXT"), "*.TXT");
    EXPECT_EQ(groupname("archive.tar.gz"), "*.GZ");
    EXPECT_EQ(groupname(".profile"), "*.PROFILE");
    EXPECT_EQ(groupname("Makefile"), "*.");
    EXPECT_EQ(groupname("ends."), "*.");
    EXPECT_EQ(groupname("caf\xc3\xa9.\xc3\xa9x"), "*.\xc3\xa9X"); // only a-z change
}

TEST(GroupName, MembershipIsTheSameRule)
{
    const std::vector<std::string> names { "report.txt", "NOTES.TXT", "archive.tar.gz", ".profile", "Makefile", "ends.",
        "caf\xc3\xa9.\xc3\xa9x", "a.Txt" };
    for (const std::string& name : names)
        for (const std::string& other : names)
            EXPECT_EQ(ingroup(name, groupname(other)), groupname(name) == groupname(other)) << name << " " << other;
    EXPECT_FALSE(ingroup("report.txt", ".TXT"));
    EXPECT_FALSE(ingroup("report.txt", ""));
}

TEST(Insertion, DirectoriesBeforeGroupsEachSorted)
{
    for (bool kept : { false, true }) {
        Tree t;
        SiblingIndex index(t.root);
        SiblingIndex* ix = kept ? &index : nullptr;
        t.dir(t.root, "beta", ix);
        t.file(t.root, "z.txt", 10, ix);
        t.dir(t.root, "Alpha", ix);
        t.file(t.root, "a.c", 10, ix);
        t.file(t.root, "Makefile", 10, ix);
        t.dir(t.root, "\xc3\xa9t\xc3\xa9", ix);
        t.dir(t.root, "gamma", ix);
        EXPECT_EQ(childnames(t.root),
            (std::vector<std::string> { "\xc3\xa9t\xc3\xa9", "Alpha", "beta", "gamma", "*.", "*.C", "*.TXT" }))
            << "index kept " << kept;
        EXPECT_EQ(checktree(t.root), 7);
    }
}

TEST(Insertion, EqualNamesMerge)
{
    for (bool kept : { false, true }) {
        Tree t;
        SiblingIndex index(t.root);
        SiblingIndex* ix = kept ? &index : nullptr;
        dirrec* first = t.dir(t.root, "Docs", ix);
        EXPECT_EQ(t.dir(t.root, "DOCS", ix), first);
        SiblingIndex again(t.root);
        dirrec* found = nullptr;
        EXPECT_EQ(adddir(t.arena, again, "docs", &found), 1);
        EXPECT_EQ(found, first);
        dirrec* g = t.file(t.root, "readme.TXT", 5000, ix);
        EXPECT_EQ(t.file(t.root, "notes.txt", 0, ix), g);
        EXPECT_EQ(g->count, 2u);
        EXPECT_EQ(g->bytes, 5000);
        EXPECT_EQ(g->space, 8192);
        EXPECT_EQ(g->whatif, 5120);
        EXPECT_EQ(checktree(t.root), 2);
    }
}

TEST(Insertion, GroupAppendedAfterLastDirectory)
{
    Tree t;
    t.dir(t.root, "a");
    t.dir(t.root, "b");
    t.file(t.root, "x.zip", 1);
    EXPECT_EQ(childnames(t.root), (std::vector<std::string> { "a", "b", "*.ZIP" }));
    EXPECT_EQ(t.root->child->next->next->next, nullptr);
}

TEST(Insertion, IndexSeededFromExistingChildren)
{
    Tree t;
    t.dir(t.root, "m");
    t.file(t.root, "f.txt", 1);
    SiblingIndex index(t.root);
    dirrec* again = nullptr;
    EXPECT_EQ(adddir(t.arena, index, "M", &again), 1);
    EXPECT_EQ(again, t.root->child);
    t.file(t.root, "g.TXT", 1, &index);
    EXPECT_EQ(t.root->child->next->count, 2u);
    EXPECT_EQ(checktree(t.root), 2);
}

TEST(Insertion, ManySiblingsStaySortedWithIndex)
{
    Tree t;
    SiblingIndex index(t.root);
    // A scrambled order of 20000 names.
    for (int i = 0; i < 20000; ++i) {
        const int k = (i * 7919) % 20000;
        t.dir(t.root, "d" + std::to_string(k), &index);
        t.file(t.root, "f." + std::to_string(k % 300), 1, &index);
    }
    EXPECT_EQ(checktree(t.root), 20300);
}

TEST(Rollup, SumsAndDepth)
{
    Tree t;
    dirrec* sub = t.dir(t.root, "sub");
    dirrec* deep = t.dir(sub, "deep");
    t.file(t.root, "a.txt", 100);
    t.file(sub, "b.txt", 5000);
    t.file(deep, "c.bin", 1);
    t.dir(t.root, "empty");
    EXPECT_EQ(checktree(t.root), 6);
    int maxdepth = 0;
    rollup(t.root, 0, maxdepth);
    EXPECT_EQ(maxdepth, 3); // root 0, sub 1, deep 2, deep's group 3
    EXPECT_EQ(t.root->count, 3u);
    EXPECT_EQ(t.root->bytes, 5101);
    EXPECT_EQ(t.root->space, 4096 + 8192 + 4096);
    EXPECT_EQ(sub->count, 2u);
    EXPECT_EQ(sub->whatif, 5120 + 1024);
}

TEST(Rollup, DeepChainDoesNotOverflowTheStack)
{
    Tree t;
    dirrec* d = t.root;
    for (int i = 0; i < 200000; ++i)
        d = t.dir(d, "x");
    t.file(d, "leaf.dat", 3);
    EXPECT_EQ(checktree(t.root), 200001);
    int maxdepth = 0;
    rollup(t.root, 0, maxdepth);
    EXPECT_EQ(maxdepth, 200001);
    EXPECT_EQ(t.root->count, 1u);
}

TEST(Arena, LongNamesHeldExactly)
{
    RecordArena arena;
    const std::string longname(3000, 'n');
    dirrec* r = arena.make(longname, KindDirectory);
    EXPECT_EQ(r->name(), longname);
    EXPECT_EQ(r->namedata()[3000], '\0');
    dirrec* small = arena.make("s", KindGroup);
    EXPECT_EQ(small->name(), "s");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(small) % alignof(dirrec), 0u);
}
