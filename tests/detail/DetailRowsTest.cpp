#include "DetailRows.h"

#include "ColourRangeTable.h"
#include "DiagStream.h"
#include "FakeFiles.h"
#include "PathJoin.h"
#include "PosixDirLister.h"
#include "RecordArena.h"
#include "RecordChecks.h"
#include "Records.h"
#include "RowOrder.h"
#include "TempTree.h"
#include "Walk.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace qv;
using namespace qv::test;

namespace {

// The whole-KB text the list shows for n kilobytes.
std::string kb(long long n)
{
    char text[64];
    std::snprintf(text, sizeof text, "%10lldKB", n);
    return text;
}

// A record chain root -> dirs... -> group, as the scan builds it.
struct Chain
{
    RecordArena arena;
    dirrec* root;
    dirrec* group = nullptr;

    Chain(const std::string& rootpath, std::vector<std::string> dirs, const std::string& groupname)
        : root(arena.make(rootpath, KindDirectory))
    {
        dirrec* at = root;
        for (const std::string& d : dirs) {
            dirrec* next = nullptr;
            SiblingIndex here(at);
            adddir(arena, here, d, &next);
            at = next;
        }
        // A group alone has no file to add through addgroup(): link it by hand, as the only child.
        group = arena.make(groupname, KindGroup);
        group->parent = at;
        at->child = group;
    }
};

class DetailRowsTest : public ::testing::Test
{
protected:
    TempTree tmp;
    std::string dir = tmp.root();
    ColourRangeTable table;
    PosixDirLister lister;
    DetailRows rows(const std::string& group, std::uint32_t clustersize = 4096, std::int32_t whatifkb = 4)
    {
        Chain chain(dir, {}, group);
        DiagStream diag;
        auto result = detailrows(*chain.group, lister, { clustersize, whatifkb, table }, diag.file());
        EXPECT_EQ(diag.str(), "");
        return result;
    }
    static std::vector<std::string> names(const DetailRows& rows)
    {
        std::vector<std::string> n;
        for (const DetailRow& r : rows)
            n.emplace_back(rows.name(r));
        return n;
    }
};

TEST_F(DetailRowsTest, SizesRoundToKilobytesAndClusters)
{
    struct Case
    {
        const char* name;
        qint64 bytes;
        std::uint32_t cluster;
        std::int32_t whatifkb;
        long long sizekb, spacekb, whatifkb_shown;
        int colour; // default table, by space used
    };
    const Case cases[] = {
        { "empty.dat", 0, 4096, 4, 0, 0, 0, 1 },
        { "one.dat", 1, 4096, 4, 0, 4, 4, 1 }, // 0.5 KB rounds to the even 0
        { "k1024.dat", 1024, 4096, 4, 1, 4, 4, 1 },
        { "k1025.dat", 1025, 4096, 4, 2, 4, 4, 1 }, // 1.5 -> 2
        { "k1026.dat", 1026, 4096, 4, 2, 4, 4, 1 },
        { "k2049.dat", 2049, 4096, 4, 2, 4, 4, 1 }, // 2.5 -> 2
        { "k3073.dat", 3073, 4096, 4, 4, 4, 4, 1 }, // 3.5 -> 4
        { "k5000.dat", 5000, 512, 1, 5, 5, 5, 1 },
        { "w5000.dat", 5000, 4096, 1, 5, 8, 5, 1 },
        { "k10240.dat", 10240, 4096, 4, 10, 12, 12, 2 }, // space 12288 is past the first band
        { "k10240b.dat", 10240, 1024, 32, 10, 10, 32, 1 }, // 10240 exactly: still the first band
        { "sparse.dat", 5LL << 30, 4096, 4, 5242880, 5242880, 5242880, 7 },
    };
    for (const Case& c : cases) {
        TempTree one;
        dir = one.root();
        one.file(c.name, c.bytes);
        const auto r = rows("*.DAT", c.cluster, c.whatifkb);
        ASSERT_EQ(r.size(), 1u) << c.name;
        EXPECT_EQ(r[0].size, double(c.bytes)) << c.name;
        EXPECT_EQ(r[0].sizetext().toStdString(), kb(c.sizekb)) << c.name;
        EXPECT_EQ(r[0].spacetext().toStdString(), kb(c.spacekb)) << c.name;
        EXPECT_EQ(r[0].whatiftext().toStdString(), kb(c.whatifkb_shown)) << c.name;
        EXPECT_EQ(r[0].stateimage, c.colour) << c.name;
    }
}

TEST_F(DetailRowsTest, ListsOnlyFilesOfTheGroup)
{
    tmp.file("notes.TXT", 10);
    tmp.file("readme.txt", 20);
    tmp.file("archive.tar.gz", 30);
    tmp.file("txt", 40);
    tmp.file("a.txt.bak", 50);
    tmp.dir("dir.txt"); // a directory named like the group
    const auto r = rows("*.TXT");
    EXPECT_EQ(names(r), (std::vector<std::string> { "notes.TXT", "readme.txt" }));
    EXPECT_EQ(names(rows("*.GZ")), (std::vector<std::string> { "archive.tar.gz" }));
}

TEST_F(DetailRowsTest, DotGroupListsNamesWithoutADotAndNamesEndingInOne)
{
    tmp.file("Makefile", 1);
    tmp.file("README", 2);
    tmp.file("trailing.", 3);
    tmp.file("a.txt", 4);
    tmp.file(".profile", 5);
    tmp.dir("bin");
    EXPECT_EQ(names(rows("*.")), (std::vector<std::string> { "Makefile", "README", "trailing." }));
}

TEST_F(DetailRowsTest, NonUtf8NameKeepsItsBytesAndShowsAReplacement)
{
    tmp.file("caf\xe9.txt");
    const auto r = rows("*.TXT");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.name(0), "caf\xe9.txt");
    EXPECT_EQ(r.caption(0), QStringLiteral("caf\uFFFD.txt"));
}

TEST_F(DetailRowsTest, ModifiedTimeIsUtcWhateverTheTimeZone)
{
    tmp.file("party.txt", 1);
    const timespec times[2] = { { 946683000, 0 }, { 946683000, 0 } }; // 1999-12-31 23:30:00 UTC
    ASSERT_EQ(utimensat(AT_FDCWD, joinpath(dir, "party.txt").c_str(), times, 0), 0);

    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    for (const char* tz : { "QVT-13:45", "QVT+11", "UTC0" }) {
        setenv("TZ", tz, 1);
        tzset();
        const auto r = rows("*.TXT");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].modifiedtext(), QStringLiteral("31/12/1999 23:30")) << tz;
    }
    old ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
    tzset();
}

TEST(DetailText, ModifiedFields)
{
    const struct
    {
        std::int64_t t;
        const char* text;
    } cases[] = {
        { 0, "01/01/1970 00:00" },
        { 59, "01/01/1970 00:00" }, // seconds are not shown
        { 951782400, "29/02/2000 00:00" },
        { -1, "31/12/1969 23:59" },
        { 253402300799, "31/12/9999 23:59" },
        { UnknownTime, "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(modifiedtext(c.t).toStdString(), c.text) << c.t;
}

TEST_F(DetailRowsTest, SortsAsEnglishReadersExpectOnAnyLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    for (const char* n : { "cherry.txt", "Banana.txt", "apple.txt", "Apple.txt", "banana.txt", "APPLE.TXT", "_x.txt",
             "10.txt", "9.txt" })
        tmp.file(n, 1);
    const auto order = names(rows("*.TXT"));
    QLocale::setDefault(before);
    ASSERT_EQ(order.size(), 9u);
    const auto at = [&](const std::string& n) { return std::find(order.begin(), order.end(), n) - order.begin(); };
    // Names that differ only in case sit next to each other, before the next letter of the alphabet.
    std::vector<long> apples { at("apple.txt"), at("Apple.txt"), at("APPLE.TXT") };
    std::sort(apples.begin(), apples.end());
    EXPECT_EQ(apples.back() - apples.front(), 2);
    EXPECT_LT(apples.back(), at("Banana.txt"));
    EXPECT_LT(apples.back(), at("banana.txt"));
    EXPECT_EQ(std::abs(at("Banana.txt") - at("banana.txt")), 1);
    EXPECT_LT(std::max(at("Banana.txt"), at("banana.txt")), at("cherry.txt"));
    // Case decides only between otherwise equal names: the order is the same whatever the listing order.
    EXPECT_LT(at("apple.txt"), at("APPLE.TXT"));
    EXPECT_LT(at("10.txt"), at("9.txt"));
}

TEST_F(DetailRowsTest, LargeDirectorySortsLikeOneComparisonOfAllNames)
{
    // Many names; invalid bytes make captions that are equal; long stems that differ only in case make
    // collation keys that agree far into their bytes.
    const char* stems[] = { "apple", "Apple", "b", "B", "_", "z\xe9", "z\xe8", "\xc3\xa9t\xc3\xa9", "Zebra", "10", "9",
        "Quarterly report - final version ", "quarterly report - final version " };
    int n = 0;
    for (int i = 0; i < 10000; ++i) {
        const std::string name = std::string(stems[i % 13]) + std::to_string((i * 7919) % 1000) + ".txt";
        if (QFile::exists(QString::fromStdString(joinpath(dir, name))))
            continue;
        tmp.file(name);
        ++n;
    }
    const auto r = rows("*.TXT");
    ASSERT_EQ(r.size(), std::size_t(n));
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    for (std::size_t i = 1; i < r.size(); ++i) {
        const int c = collator.compare(r.caption(i - 1), r.caption(i));
        ASSERT_LE(c, 0) << i << " " << r.name(i - 1) << " / " << r.name(i);
        if (c == 0) {
            ASSERT_LT(r.name(i - 1), r.name(i));
        }
    }
    // The list's own sort of the same rows in another order gives the same order.
    auto shuffled = r;
    std::reverse(shuffled.begin(), shuffled.end());
    sortrows(shuffled);
    EXPECT_EQ(names(shuffled), names(r));
}

TEST(DetailPaths, DirectoryRebuiltFromTheRecordChain)
{
    const struct
    {
        const char* root;
        std::vector<std::string> dirs;
        const char* group;
        const char* dir;
        const char* pattern;
    } cases[] = {
        { "/", {}, "*.TXT", "/", "/*.TXT" },
        { "/", { "etc" }, "*.CONF", "/etc", "/etc/*.CONF" },
        { "/data", {}, "*.", "/data", "/data/*." },
        { "/data", { "Sub", "deeper" }, "*.TXT", "/data/Sub/deeper", "/data/Sub/deeper/*.TXT" },
        { "/odd", { "with*star", "line\nbreak" }, "*.\xe9", "/odd/with*star/line\nbreak",
            "/odd/with*star/line\nbreak/*.\xe9" },
    };
    for (const auto& c : cases) {
        Chain chain(c.root, c.dirs, c.group);
        EXPECT_EQ(groupdirectory(*chain.group), c.dir);
        EXPECT_EQ(grouppattern(*chain.group), c.pattern);
        FakeFiles lister;
        ColourRangeTable table;
        DiagStream diag;
        EXPECT_TRUE(detailrows(*chain.group, lister, { 4096, 4, table }, diag.file()).empty());
        EXPECT_EQ(lister.opened(), std::vector<std::string> { c.dir });
        EXPECT_EQ(diag.str(), std::string("\ndirwalk function: can't open ") + c.pattern + "\n");
    }
}

TEST_F(DetailRowsTest, DirectoryThatCannotBeListedGivesNoRows)
{
    Chain chain(dir, { "gone" }, "*.TXT");
    DiagStream diag;
    EXPECT_TRUE(detailrows(*chain.group, lister, { 4096, 4, table }, diag.file()).empty());
    EXPECT_EQ(diag.str(), "\ndirwalk function: can't open " + dir + "/gone/*.TXT\n");
}

TEST_F(DetailRowsTest, GroupWithNoFileLeftIsReportedAsNotOpened)
{
    tmp.file("other.dat", 1);
    tmp.dir("dir.txt"); // named like the group, but no file of it
    Chain chain(dir, {}, "*.TXT");
    DiagStream diag;
    EXPECT_TRUE(detailrows(*chain.group, lister, { 4096, 4, table }, diag.file()).empty());
    EXPECT_EQ(diag.str(), "\ndirwalk function: can't open " + dir + "/*.TXT\n");
}

TEST_F(DetailRowsTest, NoLinkIsFollowedBelowTheScanRoot)
{
    // The scan saw root/a/b/x.txt; since then a and b have each been replaced by a link elsewhere.
    ASSERT_TRUE(QDir(QString::fromStdString(dir)).mkpath("root/a/b"));
    ASSERT_TRUE(QDir(QString::fromStdString(dir)).mkpath("elsewhere/b"));
    tmp.file("root/a/b/x.txt", 1);
    tmp.file("root/a/y.txt", 1);
    tmp.file("elsewhere/b/x.txt", 1);
    tmp.file("elsewhere/y.txt", 1);
    tmp.file("elsewhere/z.txt", 1);
    const std::string root = joinpath(dir, "root");
    Chain inner(root, { "a", "b" }, "*.TXT");
    Chain outer(root, { "a" }, "*.TXT");
    EXPECT_EQ(detailrows(*inner.group, lister, { 4096, 4, table }).size(), 1u);

    ASSERT_EQ(::rename(joinpath(root, "a/b").c_str(), joinpath(dir, "old-b").c_str()), 0);
    ASSERT_EQ(::symlink(joinpath(dir, "elsewhere/b").c_str(), joinpath(root, "a/b").c_str()), 0);
    ASSERT_EQ(::rename(joinpath(root, "a").c_str(), joinpath(dir, "old-a").c_str()), 0);
    ASSERT_EQ(::symlink(joinpath(dir, "elsewhere").c_str(), joinpath(root, "a").c_str()), 0);
    for (Chain* chain : { &inner, &outer }) {
        DiagStream diag;
        PosixDirLister fresh;
        EXPECT_TRUE(detailrows(*chain->group, fresh, { 4096, 4, table }, diag.file()).empty());
        EXPECT_EQ(diag.str(), "\ndirwalk function: can't open " + grouppattern(*chain->group) + "\n");
    }

    // The scan root itself is opened as the walker opens it: a root given as a link is followed.
    const std::string linkroot = joinpath(dir, "linkroot");
    ASSERT_EQ(::symlink(joinpath(dir, "old-a").c_str(), linkroot.c_str()), 0);
    Chain atroot(linkroot, {}, "*.TXT");
    EXPECT_EQ(names(detailrows(*atroot.group, lister, { 4096, 4, table })), std::vector<std::string> { "y.txt" });
}

TEST(DetailFake, CompressedFilesCountAtTheirCompressedSize)
{
    FakeFiles lister;
    lister.listing("/vol",
        {
            { "packed.log", false, 1000000, true, 300000 },
            { "unreadable.log", false, 1000000, true, -1 }, // the compressed size could not be read
            { "plain.log", false, 5000, false, 100 }, // not compressed: ondisc is not looked at
        });
    ColourRangeTable table;
    Chain chain("/vol", {}, "*.LOG");
    const auto r = detailrows(*chain.group, lister, { 4096, 1, table });
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r.name(0), "packed.log");
    EXPECT_EQ(r[0].size, 1000000);
    EXPECT_EQ(r[0].space, 303104); // 300000 rounded up to 4096
    EXPECT_EQ(r[0].whatif, 300032);
    EXPECT_EQ(r[0].sizetext().toStdString(), kb(977)); // 976.6
    EXPECT_EQ(r[0].spacetext().toStdString(), kb(296));
    EXPECT_EQ(r.name(1), "plain.log");
    EXPECT_EQ(r[1].space, 8192);
    EXPECT_EQ(r.name(2), "unreadable.log");
    EXPECT_EQ(r[2].space, 1003520);
}

TEST(DetailFake, NamesTooLongForAPathAreLeftOutWithTheDiagnostic)
{
    const std::string dir = "/" + std::string(99, 'd'); // 100 bytes
    const std::string fits(4095 - 100 - 2 - 4, 'f'); // with ".txt": 4095 - 100 - 2 bytes, the most allowed
    const std::string over = fits + "x";
    FakeFiles lister;
    // Only the group's files are the list's business: overlong names of other groups and of directories
    // named like the group say nothing.
    lister.listing(dir,
        { fakefile(fits + ".txt", 1), fakefile(over + ".txt", 2), fakefile(over + ".dat", 3), fakedir(over + ".txt") });
    ColourRangeTable table;
    Chain chain(dir, {}, "*.TXT");
    DiagStream diag;
    const auto r = detailrows(*chain.group, lister, { 4096, 4, table }, diag.file());
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.name(0), fits + ".txt");
    EXPECT_EQ(diag.str(), "\ndirwalk: name " + dir + "/*.TXT/" + over + ".txt too long\n");

    // A group whose only file is too long has a file left: it is not reported as a directory that can't
    // be opened.
    lister.listing(dir, { fakefile(over + ".txt", 2) });
    DiagStream alone;
    EXPECT_TRUE(detailrows(*chain.group, lister, { 4096, 4, table }, alone.file()).empty());
    EXPECT_EQ(alone.str(), "\ndirwalk: name " + dir + "/*.TXT/" + over + ".txt too long\n");
}

TEST_F(DetailRowsTest, FileDeletedAfterItWasListedKeepsItsRow)
{
    tmp.file("a.txt", 100);
    tmp.file("b.txt", 5000);
    FakeFiles deleting(FakeFiles::RealFileSystem); // deletes every file right after reporting it
    deleting.onentry([](const std::string& path, const DirEntry& e, std::size_t) {
        if (!e.isdir)
            std::remove(joinpath(path, e.name).c_str());
    });
    Chain chain(dir, {}, "*.TXT");
    const auto r = detailrows(*chain.group, deleting, { 4096, 4, table });
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].size, 5000);
    EXPECT_EQ(r[1].space, 8192);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(tmp.at("b.txt"))));
}

TEST_F(DetailRowsTest, RowsAddUpToTheGroupFigures)
{
    const qint64 sizes[] = { 0, 1, 511, 512, 4095, 4096, 4097, 100000, 1 << 20 };
    int n = 0;
    for (qint64 s : sizes)
        tmp.file("f" + std::to_string(n++) + ".bin", s);
    tmp.file("other.txt", 7);
    for (std::int32_t whatifkb : { 1, 4, 32 }) {
        // The group as a scan of the same directory counts it.
        Walk w;
        w.whatifkb = whatifkb;
        const dirrec* group = child(w.run(lister, dir), "*.BIN");
        ASSERT_NE(group, nullptr);

        const auto r = detailrows(*group, lister, { 4096, whatifkb, table });
        ASSERT_EQ(r.size(), group->count);
        double bytes = 0, space = 0, whatif = 0;
        for (const DetailRow& row : r) {
            bytes += row.size;
            space += row.space;
            whatif += row.whatif;
        }
        EXPECT_EQ(bytes, group->bytes);
        EXPECT_EQ(space, group->space);
        EXPECT_EQ(whatif, group->whatif) << whatifkb;
    }
}

} // namespace
