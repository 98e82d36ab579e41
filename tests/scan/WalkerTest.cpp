#include "FakeFiles.h"
#include "PosixDirLister.h"
#include "RecordChecks.h"
#include "TempTree.h"
#include "Walk.h"

#include <algorithm>
#include <set>

using namespace qv;
using namespace qv::test;

namespace {

struct Figures
{
    std::string name;
    std::uint32_t count;
    double bytes, space, whatif;
    bool operator==(const Figures&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Figures& f)
{
    return os << f.name << " count " << f.count << " bytes " << f.bytes << " space " << f.space << " whatif "
              << f.whatif;
}

std::vector<Figures> figures(const dirrec* r)
{
    std::vector<Figures> all;
    for (const dirrec* c = r->child; c; c = c->next)
        all.push_back({ std::string(c->name()), c->count, c->bytes, c->space, c->whatif });
    return all;
}

std::size_t countof(const std::vector<std::string>& texts, const std::string& text)
{
    return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

} // namespace

TEST(Walker, RealTreeFiguresGroupsAndOrder)
{
    TempTree t;
    t.dir("Sub");
    t.file("Sub/a.c", 100, true);
    t.dir("beta");
    t.file("report.txt", 5000, true);
    t.file("NOTES.TXT", 1, true);
    t.hardlink("report.txt", "copy.txt"); // counted once per name
    t.file("archive.tar.gz", 4096, true);
    t.file(".profile");
    t.file("Makefile", 4097, true);
    t.file("sparse.img", 1LL << 30); // at its nominal size
    t.symlink("/nowhere", "dangling");
    t.symlink("..", "up"); // a loop to an ancestor: a file, never followed
    t.symlink("Sub", "tosub");
    t.fifo("pipe");

    PosixDirLister lister(MountTable::load());
    Walk w;
    w.whatifkb = 1;
    w.run(lister, t.root());

    EXPECT_EQ(
        childnames(w.root), (std::vector<std::string> { "beta", "Sub", "*.", "*.GZ", "*.IMG", "*.PROFILE", "*.TXT" }));
    const double G = 1 << 30;
    const std::vector<Figures> expected = {
        { "beta", 0, 0, 0, 0 },
        { "Sub", 0, 0, 0, 0 }, // directories get their sums from the roll-up
        { "*.", 5, 4097 + 8 + 2 + 3 + 0, 8192 + 3 * 4096, 5120 + 3 * 1024 },
        { "*.GZ", 1, 4096, 4096, 4096 },
        { "*.IMG", 1, G, G, G },
        { "*.PROFILE", 1, 0, 0, 0 },
        { "*.TXT", 3, 10001, 8192 + 4096 + 8192, 5120 + 1024 + 5120 },
    };
    EXPECT_EQ(figures(w.root), expected);
    EXPECT_EQ(figures(child(w.root, "Sub")), (std::vector<Figures> { { "*.C", 1, 100, 4096, 1024 } }));
    EXPECT_EQ(child(w.root, "beta")->child, nullptr);
    EXPECT_EQ(lister.openDescriptors(), 0u);

    int maxdepth = 0;
    rollup(w.root, 0, maxdepth);
    EXPECT_EQ(w.root->count, 12u);
    EXPECT_EQ(maxdepth, 2);
}

TEST(Walker, ProgressAfterEvery101EntriesOfOneDirectory)
{
    TempTree t;
    struct Dir
    {
        const char* name;
        int files;
        int subdirs;
        std::vector<int> shown; // the numbers of its progress texts
    };
    const Dir dirs[] = {
        { "d100", 100, 0, {} },
        { "d101", 101, 0, { 100 } },
        { "d303", 300, 3, { 100, 200, 300 } }, // directories count like files
        { "d302", 302, 0, { 100, 200 } },
    };
    for (const Dir& d : dirs) {
        t.dir(d.name);
        for (int i = 0; i < d.files; ++i)
            t.file(std::string(d.name) + "/f" + std::to_string(i));
        for (int i = 0; i < d.subdirs; ++i)
            t.dir(std::string(d.name) + "/s" + std::to_string(i));
    }
    PosixDirLister lister(MountTable::load());
    Walk w;
    w.run(lister, t.root());
    for (const Dir& d : dirs) {
        const std::string prefix = t.at(d.name) + "  Processed ";
        std::vector<std::string> got, want;
        for (const std::string& text : w.sink.texts())
            if (text.starts_with(prefix))
                got.push_back(text);
        for (int n : d.shown)
            want.push_back(prefix + std::to_string(n) + " Files");
        EXPECT_EQ(got, want) << d.name;
    }
    // The scan root has four entries: no progress text of its own.
    EXPECT_EQ(countof(w.sink.texts(), t.root() + "  Processed 100 Files"), 0u);
}

namespace {

// /r: a, f0..f98, m (a mount point, the 101st entry), x (can't be listed), f99, b with b/c; a holds two files.
void scripted(FakeFiles& l)
{
    std::vector<FakeEntry> root { fakedir("a") };
    for (int i = 0; i < 99; ++i)
        root.push_back(fakefile("f" + std::to_string(i) + ".dat", 10));
    FakeEntry m = fakedir("m");
    m.mountpoint = true;
    root.push_back(m);
    root.push_back(fakedir("x"));
    root.push_back(fakefile("f99.dat", 10));
    root.push_back(fakedir("b"));
    l.listing("/r", root);
    l.listing("/r/a", { fakefile("one.txt", 1), fakefile("two.txt", 2) });
    l.listing("/r/b", { fakedir("c") });
    l.listing("/r/b/c", {});
    l.listing("/r/m", { fakefile("hidden.txt", 1) }); // must never be read
}

const std::vector<std::string> ScriptedTexts
    = { "/r/a", "/r/a", "/r/m", "/r/m", "/r  Processed 100 Files", "/r/x", "/r/x", "/r/b", "/r/b/c", "/r/b/c", "/r/b" };

} // namespace

TEST(Walker, ExactStatusSequence)
{
    FakeFiles lister;
    scripted(lister);
    Walk w;
    w.run(lister, "/r");
    EXPECT_EQ(w.diag.str(), "\ndirwalk function: can't open /r/x\n");
    EXPECT_EQ(w.sink.texts(), ScriptedTexts);
    EXPECT_EQ(lister.live(), 0);
    std::vector<std::string> opened = lister.opened();
    std::sort(opened.begin(), opened.end()); // workers list in an order of their own
    EXPECT_EQ(opened, (std::vector<std::string> { "/r", "/r/a", "/r/b", "/r/b/c", "/r/x" })); // never the mount point
    EXPECT_EQ(childnames(w.root), (std::vector<std::string> { "a", "b", "m", "x", "*.DAT" }));
    EXPECT_EQ(child(w.root, "m")->child, nullptr);
    EXPECT_EQ(child(w.root, "x")->child, nullptr);
    EXPECT_EQ(childnames(child(w.root, "b")), std::vector<std::string> { "c" });
    EXPECT_EQ(child(w.root, "*.DAT")->count, 100u);
}

TEST(Walker, AbortFromTheSinkStopsEverything)
{
    for (std::size_t n = 1; n <= ScriptedTexts.size(); ++n) {
        FakeFiles lister;
        scripted(lister);
        Walk w;
        w.sink.hook = [&](const std::string&) {
            if (w.sink.count() == n)
                w.scanabort = 1;
        };
        w.run(lister, "/r");
        EXPECT_EQ(w.sink.texts(), std::vector<std::string>(ScriptedTexts.begin(), ScriptedTexts.begin() + n)) << n;
        EXPECT_EQ(lister.live(), 0) << n;
        if (n == 1) {
            // Aborted while entering a: its record is there, nothing read into it, nothing after it.
            EXPECT_EQ(childnames(w.root), std::vector<std::string> { "a" });
            EXPECT_EQ(child(w.root, "a")->child, nullptr);
        }
        if (n == 4) { // on leaving m, the 101st entry of /r: its progress text is not posted any more
            EXPECT_EQ(child(w.root, "*.DAT")->count, 99u);
            EXPECT_TRUE(child(w.root, "m"));
            EXPECT_FALSE(child(w.root, "x"));
        }
    }
}

TEST(Walker, AbortDeepInARealTree)
{
    TempTree t;
    t.fastdir("t");
    t.chain("t", 300, "d", "f.txt");
    PosixDirLister lister(MountTable::load());
    Walk w;
    w.sink.hook = [&](const std::string&) {
        if (w.sink.count() == 50)
            w.scanabort = 1;
    };
    w.run(lister, t.at("t"));
    EXPECT_EQ(w.sink.count(), 50u);
    EXPECT_EQ(lister.openDescriptors(), 0u);
    int maxdepth = 0;
    rollup(w.root, 0, maxdepth);
    EXPECT_EQ(maxdepth, 50); // the 50th directory was entered, never read
    EXPECT_LE(w.root->count, 49u); // each level above has its file when it was listed before "d"
}

TEST(Walker, UnlistableRootGivesAnEmptyRecord)
{
    FakeFiles lister;
    Walk w;
    w.run(lister, "/gone");
    EXPECT_EQ(w.diag.str(), "\ndirwalk function: can't open /gone\n");
    EXPECT_TRUE(w.sink.texts().empty());
    EXPECT_EQ(w.root->child, nullptr);
}

TEST(Walker, FileSystemRootJoinsWithoutDoubling)
{
    FakeFiles lister;
    lister.file("/etc/passwd", 10);
    lister.file("/vmlinuz", 10);
    Walk w;
    w.run(lister, "/");
    EXPECT_EQ(w.sink.texts(), (std::vector<std::string> { "/etc", "/etc" }));
    EXPECT_EQ(child(child(w.root, "etc"), "*.")->count, 1u);
}

TEST(Walker, DirectoryRemovedAndFileVanishingDuringTheWalk)
{
    TempTree t;
    t.dir("sub");
    t.file("stays.txt", 10);
    t.file("gone.txt", 10);
    FakeFiles lister(FakeFiles::RealFileSystem);
    lister.onopen([&](const std::string& path) {
        if (path == t.root()) {
            ::rmdir(t.at("sub").c_str());
            ::unlink(t.at("gone.txt").c_str());
        }
    });
    Walk w;
    w.run(lister, t.root());
    EXPECT_EQ(w.diag.str(), "\ndirwalk function: can't open " + t.at("sub") + "\n");
    EXPECT_EQ(w.sink.texts(), (std::vector<std::string> { t.at("sub"), t.at("sub") }));
    EXPECT_EQ(figures(w.root), (std::vector<Figures> { { "sub", 0, 0, 0, 0 }, { "*.TXT", 1, 10, 4096, 4096 } }));
}

TEST(Walker, RawNamesAllTheWay)
{
    TempTree t;
    const std::string odd = "dir\nwith\ttabs\\and\xff";
    t.dir(odd);
    t.file(odd + "/x.t\\x", 1);
    t.file(odd + "/bad\xfe.\xe9xt", 1);
    t.file(odd + "/line\n.feed", 1);
    PosixDirLister lister(MountTable::load());
    Walk w;
    w.run(lister, t.root());
    EXPECT_EQ(w.sink.texts(), (std::vector<std::string> { t.at(odd), t.at(odd) }));
    const dirrec* d = child(w.root, odd);
    ASSERT_TRUE(d);
    EXPECT_EQ(childnames(d), (std::vector<std::string> { "*.\xe9XT", "*.FEED", "*.T\\X" }));
}

TEST(Walker, MountPointRecordedNotEntered)
{
    TempTree t;
    t.dir("real");
    t.dir("real/m");
    t.file("real/top.txt", 1);
    if (!t.mounttmpfs("real/m"))
        GTEST_SKIP() << "mounting is not permitted here";
    t.file("real/m/inside.txt", 100);
    t.symlink("real", "link");
    for (const char* root : { "real", "link" }) {
        PosixDirLister lister(MountTable::load());
        Walk w;
        w.run(lister, t.at(root));
        EXPECT_EQ(w.sink.texts(), (std::vector<std::string> { t.at(root) + "/m", t.at(root) + "/m" })) << root;
        ASSERT_TRUE(child(w.root, "m")) << root;
        EXPECT_EQ(child(w.root, "m")->child, nullptr) << root;
        EXPECT_EQ(child(w.root, "*.TXT")->count, 1u) << root;
    }
}

TEST(Walker, TwoThousandLevelsDeep)
{
    TempTree t;
    t.fastdir("t");
    t.chain("t", 2000, "d", "f");
    PosixDirLister lister(MountTable::load());
    Walk w;
    std::size_t most = 0;
    w.sink.hook = [&](const std::string&) { most = std::max(most, lister.openDescriptors()); };
    w.run(lister, t.at("t"));
    EXPECT_EQ(w.diag.str(), "");
    EXPECT_EQ(w.sink.count(), 4000u);
    EXPECT_LE(most, PosixDirLister::MaxOpen);
    int maxdepth = 0;
    rollup(w.root, 0, maxdepth);
    EXPECT_EQ(maxdepth, 2001);
    EXPECT_EQ(w.root->count, 2000u);
}

TEST(Walker, PathTooLongIsSkippedWithItsDiagnostic)
{
    TempTree t;
    const std::string name(100, 'n'), file(60, 'f');
    t.fastdir("t");
    t.chain("t", 41, name, file);
    // Which entries the length rule skips, from the real path lengths.
    std::set<std::string> expected;
    std::string p = t.at("t");
    std::uint32_t files = 0;
    for (int level = 1; level <= 41; ++level) {
        p += "/" + name;
        if (p.size() + file.size() + 2 > 4095)
            expected.insert("\ndirwalk: name " + p + "/" + file + " too long\n");
        else
            ++files;
        if (level < 41 && p.size() + name.size() + 2 > 4095) {
            expected.insert("\ndirwalk: name " + p + "/" + name + " too long\n");
            break;
        }
    }
    ASSERT_FALSE(expected.empty());

    PosixDirLister lister(MountTable::load());
    Walk w;
    w.run(lister, t.at("t"));
    const std::string err = w.diag.str();
    std::size_t length = 0;
    for (const std::string& e : expected) {
        EXPECT_NE(err.find(e), std::string::npos) << e;
        length += e.size();
    }
    EXPECT_EQ(err.size(), length);
    int maxdepth = 0;
    rollup(w.root, 0, maxdepth);
    EXPECT_EQ(w.root->count, files);
}

TEST(Walker, CompressedFilesAtTheirOnDiscSize)
{
    FakeFiles lister;
    FakeEntry packed = fakefile("packed.bin", 1000000);
    packed.compressed = true;
    packed.ondisc = 300000;
    FakeEntry unreadable = fakefile("unknown.dat", 5000);
    unreadable.compressed = true; // its on-disc size could not be read: the nominal size stands
    FakeEntry plain = fakefile("plain.txt", 5000);
    plain.ondisc = 10; // only a compressed file has an on-disc size of its own
    lister.listing("/c", { packed, unreadable, plain });
    Walk w;
    w.run(lister, "/c");
    EXPECT_EQ(figures(w.root),
        (std::vector<Figures> { { "*.BIN", 1, 1000000, 303104, 303104 }, { "*.DAT", 1, 5000, 8192, 8192 },
            { "*.TXT", 1, 5000, 8192, 8192 } }));
}

TEST(Walker, WhatIfSizeReadForEveryFile)
{
    FakeFiles lister;
    lister.listing("/w", { fakefile("a.x", 5000), fakefile("b.y", 5000) });
    Walk w;
    lister.onentry([&](const std::string&, const DirEntry&, std::size_t index) {
        if (index == 1) // b.y, once a.x has been added
            w.whatifkb = 1;
    });
    w.run(lister, "/w", 512);
    EXPECT_EQ(
        figures(w.root), (std::vector<Figures> { { "*.X", 1, 5000, 5120, 8192 }, { "*.Y", 1, 5000, 5120, 5120 } }));
}

TEST(Walker, HundredThousandSiblingsInOrder)
{
    // One directory of 100,000 subdirectories and 100,000 files of as many extensions, listed out of order.
    FakeFiles lister;
    std::vector<FakeEntry> items;
    for (int i = 0; i < 100000; ++i) {
        const std::string k = std::to_string((static_cast<long>(i) * 7919) % 100000);
        items.push_back(fakedir("d" + k));
        lister.listing("/many/d" + k, {});
        items.push_back(fakefile("f." + k, 1));
    }
    lister.listing("/many", items);
    Walk w;
    w.readahead = 0; // the insertion alone, without the hand-over of 100,000 listings
    w.run(lister, "/many");
    EXPECT_EQ(checktree(w.root), 200000);
    EXPECT_EQ(w.sink.count(), 200000u + 1980u); // two per directory, one per 101 entries
}

namespace {

// Every record below r in pre-order, one line each: level, kind, name and figures.
std::string dump(const dirrec* r)
{
    std::string out;
    const dirrec* n = r;
    int level = 0;
    while (n) {
        out += std::to_string(level) + " " + std::to_string(n->kind) + " " + std::string(n->name()) + " "
            + std::to_string(n->count) + " " + std::to_string(n->bytes) + " " + std::to_string(n->space) + " "
            + std::to_string(n->whatif) + "\n";
        if (n->child) {
            n = n->child;
            ++level;
            continue;
        }
        while (n != r && !n->next) {
            n = n->parent;
            --level;
        }
        n = n == r ? nullptr : n->next;
    }
    return out;
}

// What one walk gave: the records, the status texts and the diagnostics.
struct Outcome
{
    std::string records;
    std::vector<std::string> texts;
    std::string diagnostics;
};

// Walks path with the given read-ahead; stopat > 0 sets the abort flag with the stopat-th status text.
Outcome walkwith(const std::string& path, int readahead, std::size_t stopat = 0)
{
    PosixDirLister lister(MountTable::load());
    Walk w;
    w.readahead = readahead;
    w.sink.hook = [&](const std::string&) {
        if (w.sink.count() == stopat)
            w.scanabort = 1;
    };
    w.run(lister, path);
    Outcome o { dump(w.root), w.sink.texts(), w.diag.str() };
    EXPECT_EQ(lister.openDescriptors(), 0u);
    return o;
}

// The trees of the tests above in one, with more directories than the read-ahead holds at once.
void mixedtree(TempTree& t)
{
    t.fastdir("t");
    t.dir("t/real");
    t.file("t/real/report.txt", 5000, true);
    t.file("t/real/archive.tar.gz", 4096, true);
    t.file("t/real/.profile");
    t.symlink("..", "t/real/up");
    t.fifo("t/real/pipe");
    t.dir("t/d303");
    for (int i = 0; i < 300; ++i)
        t.file("t/d303/f" + std::to_string(i) + (i % 3 ? ".c" : ".h"), i);
    for (int i = 0; i < 3; ++i)
        t.dir("t/d303/s" + std::to_string(i));
    t.dir("t/odd\nname\xff");
    t.file("t/odd\nname\xff/x.t\\x", 1);
    t.dir("t/wide");
    for (int i = 0; i < 1500; ++i) {
        const std::string d = "t/wide/w" + std::to_string(i);
        t.dir(d);
        t.file(d + "/f.dat", i);
        if (i % 100 == 0)
            t.dir(d + "/inner");
    }
    t.dir("t/chain");
    t.chain("t/chain", 300, "d", "f.txt");
    t.dir("t/long");
    t.chain("t/long", 41, std::string(100, 'n'), std::string(60, 'f'));
    t.dir("t/locked");
    t.file("t/locked/secret.txt", 1);
    t.lock("t/locked");
}

} // namespace

TEST(Walker, ReadAheadGivesTheWalkOfTheWalkerAlone)
{
    TempTree t;
    mixedtree(t);
    const std::string root = t.at("t");
    const Outcome alone = walkwith(root, 0);
    ASSERT_GT(alone.texts.size(), 3000u);
    ASSERT_NE(alone.diagnostics.find("too long"), std::string::npos);
    for (int workers : { 1, 2, 8 }) {
        const Outcome ahead = walkwith(root, workers);
        EXPECT_EQ(ahead.records, alone.records) << workers;
        EXPECT_EQ(ahead.texts, alone.texts) << workers;
        EXPECT_EQ(ahead.diagnostics, alone.diagnostics) << workers;
    }
    // Stopped at any point, the same records and texts up to the stop.
    for (std::size_t stopat : { 1ul, 2ul, 7ul, 150ul, 1001ul, alone.texts.size() - 1, alone.texts.size() }) {
        const Outcome a = walkwith(root, 0, stopat);
        const Outcome b = walkwith(root, 4, stopat);
        EXPECT_EQ(b.texts, a.texts) << stopat;
        EXPECT_EQ(b.records, a.records) << stopat;
        EXPECT_EQ(b.diagnostics, a.diagnostics) << stopat;
    }
}

TEST(Walker, RollupAlongTheWalkSumsAsRollupAfterIt)
{
    TempTree t;
    mixedtree(t);
    // Walked twice into one record: the sums must count both.
    t.dir("t/Dup");
    t.file("t/Dup/a.txt", 700);
    t.dir("t/DUP");
    t.file("t/DUP/b.txt", 9000);
    t.dir("t/DUP/deeper");
    t.file("t/DUP/deeper/c.bin", 3);
    PosixDirLister lister(MountTable::load());
    Walk after;
    after.readahead = 0;
    after.run(lister, t.at("t"));
    int maxdepth = 0;
    rollup(after.root, 0, maxdepth);
    ASSERT_GT(after.root->count, 2000u);
    for (int readahead : { 0, 4 }) {
        Walk along;
        along.readahead = readahead;
        along.rollup = true;
        along.run(lister, t.at("t"));
        EXPECT_EQ(dump(along.root), dump(after.root)) << readahead;
        EXPECT_EQ(along.maxdepth, maxdepth) << readahead;
    }
    // Stopped: the walk's root is left unsummed.
    Walk stopped;
    stopped.rollup = true;
    stopped.sink.hook = [&](const std::string&) {
        if (stopped.sink.count() == 500)
            stopped.scanabort = 1;
    };
    stopped.run(lister, t.at("t"));
    EXPECT_EQ(stopped.root->count, 0u);
}

TEST(Walker, ReadAheadOverAChangingTreeKeepsTheStablePart)
{
    TempTree t;
    mixedtree(t);
    t.dir("t/churn");
    const std::string root = t.at("t"), churn = t.at("t/churn");
    // Each status text adds a directory to churn and removes the one before: what a walk finds there depends
    // on when churn was listed.
    auto walk = [&](int readahead) {
        PosixDirLister lister(MountTable::load());
        Walk w;
        w.readahead = readahead;
        int made = 0;
        w.sink.hook = [&](const std::string&) {
            ::mkdir((churn + "/c" + std::to_string(made)).c_str(), 0755);
            ::rmdir((churn + "/c" + std::to_string(made - 1)).c_str());
            ++made;
        };
        w.run(lister, root);
        const_cast<dirrec*>(child(w.root, "churn"))->child = nullptr;
        std::vector<std::string> stable;
        for (const std::string& text : w.sink.texts())
            if (!text.starts_with(churn + "/"))
                stable.push_back(text);
        return std::make_pair(dump(w.root), stable);
    };
    const auto alone = walk(0);
    EXPECT_EQ(walk(3), alone);
}

TEST(Walker, ReadAheadListsOnlyWhatTheWalkerEnters)
{
    // /t/<long> makes a path past the limit: the walker skips it, so no worker may list it either.
    const std::string toolong = "/t/" + std::string(4092, 'n');
    FakeFiles lister;
    lister.listing("/t", { fakedir(toolong.substr(3)), fakedir("d0") });
    lister.listing("/t/d0", { fakefile("f", 1) });
    lister.hold("/t/d0");
    Walk w;
    w.readahead = 1;
    // The one worker reads in the walk's order, so once it waits at d0 it has read whatever came before.
    bool waited = false; // d0's path comes again once the walk leaves it
    w.sink.hook = [&](const std::string& text) {
        if (text == "/t/d0" && !waited) {
            waited = true;
            lister.waitforheld(1);
            lister.release();
        }
    };
    w.run(lister, "/t");
    EXPECT_NE(w.diag.str().find("too long"), std::string::npos);
    const std::vector<std::string> opened = lister.opened();
    EXPECT_EQ(std::count(opened.begin(), opened.end(), toolong), 0);
    EXPECT_EQ(std::count(opened.begin(), opened.end(), "/t/d0"), 1);
}
