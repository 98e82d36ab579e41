#include "PosixDirLister.h"

#include "TempTree.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

using namespace qv;
using qv::test::TempTree;

namespace {

struct Seen
{
    bool isdir = false;
    bool mountpoint = false;
    bool compressed = false;
    double size = 0;
    std::int64_t mtime = 0;
};

// Everything one listing gives, by name.
std::map<std::string, Seen> listall(DirLister& lister, const std::string& path)
{
    std::map<std::string, Seen> all;
    auto listing = lister.open(path);
    EXPECT_TRUE(listing) << path;
    if (!listing)
        return all;
    DirEntry e;
    while (listing->next(e)) {
        EXPECT_FALSE(all.count(std::string(e.name))) << "listed twice: " << e.name;
        all[std::string(e.name)] = { e.isdir, e.mountpoint, e.compressed, e.size, e.mtime };
    }
    return all;
}

} // namespace

TEST(PosixDirLister, EntriesWithTheirSizesAndKinds)
{
    TempTree t;
    t.dir("sub");
    t.file("data.bin", 5000, true);
    t.file("sparse.img", 3LL << 30); // nominal size, whatever is allocated
    t.file("big", (4LL << 30) + 5);
    t.file("empty");
    t.symlink("/nowhere/at/all", "dangling");
    t.symlink("..", "up");
    t.symlink("sub", "tosub");
    t.hardlink("data.bin", "again.bin");
    struct timespec times[2] = { { 946683000, 0 }, { 946683000, 0 } }; // 1999-12-31 23:30 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, t.at("empty").c_str(), times, 0), 0);

    PosixDirLister lister(MountTable {});
    const auto all = listall(lister, t.root());
    ASSERT_EQ(all.size(), 9u); // never "." or ".."
    EXPECT_TRUE(all.at("sub").isdir);
    EXPECT_FALSE(all.at("sub").mountpoint);

    struct File
    {
        const char* name;
        double size;
    };
    const File files[] = {
        { "data.bin", 5000 },
        { "again.bin", 5000 }, // a hard link counts once per name
        { "sparse.img", 3.0 * (1LL << 30) },
        { "big", 4294967301.0 },
        { "empty", 0 },
        { "dangling", 15 }, // links: their own size, never followed
        { "up", 2 },
        { "tosub", 3 },
    };
    for (const File& f : files) {
        const Seen& s = all.at(f.name);
        EXPECT_FALSE(s.isdir) << f.name;
        EXPECT_FALSE(s.compressed) << f.name;
        EXPECT_EQ(s.size, f.size) << f.name;
    }
    EXPECT_EQ(all.at("empty").mtime, 946683000);
}

TEST(PosixDirLister, FifoIsAFileAndNeverOpened)
{
    TempTree t;
    t.fifo("pipe");
    // Opening the FIFO for reading would block until a writer comes: the watchdog plays that writer, so a
    // wrong lister fails this test instead of hanging it.
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::atomic<bool> rescued = false;
    const std::string pipe = t.at("pipe");
    std::thread watchdog([&]() {
        std::unique_lock guard(lock);
        if (!finished.wait_for(guard, std::chrono::seconds(10), [&] { return done; })) {
            rescued = true;
            const int fd = ::open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    });
    PosixDirLister lister(MountTable {});
    const auto all = listall(lister, t.root());
    {
        std::lock_guard guard(lock);
        done = true;
    }
    finished.notify_all();
    watchdog.join();
    EXPECT_FALSE(rescued);
    ASSERT_TRUE(all.count("pipe"));
    EXPECT_FALSE(all.at("pipe").isdir);
    EXPECT_EQ(all.at("pipe").size, 0);
}

TEST(PosixDirLister, RawNameBytes)
{
    TempTree t;
    const std::vector<std::string> names
        = { "new\nline", "tab\there", "back\\slash", "bad\xff\xfe", "star*?", "\xc3\xa9t\xc3\xa9" };
    for (const std::string& n : names)
        t.file(n, 7, true);
    PosixDirLister lister(MountTable {});
    const auto all = listall(lister, t.root());
    for (const std::string& n : names) {
        ASSERT_TRUE(all.count(n)) << n;
        EXPECT_EQ(all.at(n).size, 7);
    }
}

TEST(PosixDirLister, EntryVanishingBeforeItsStatIsLeftOut)
{
    TempTree t;
    t.file("stays", 1);
    t.file("goes", 1);
    PosixDirLister lister(MountTable {});
    auto listing = lister.open(t.root());
    ASSERT_TRUE(listing);
    ASSERT_EQ(::unlink(t.at("goes").c_str()), 0);
    std::vector<std::string> names;
    DirEntry e;
    while (listing->next(e))
        names.emplace_back(e.name);
    EXPECT_NE(std::find(names.begin(), names.end(), "stays"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "goes"), names.end());
}

// A big directory listed for the detail list has its files examined on two threads: the same entries, in
// the same order, with the same figures, and those gone before they are examined left out.
TEST(PosixDirLister, ExaminingAheadGivesTheSameEntries)
{
    TempTree t;
    for (int i = 0; i < 1300; ++i) {
        const std::string name = "e" + std::to_string(i);
        if (i % 97 == 0)
            t.dir(name);
        else if (i % 89 == 0)
            t.symlink("e1", name);
        else if (i % 83 == 0)
            t.fifo(name);
        else
            t.file(name, i * 10);
    }
    auto listed = [&](bool ahead) {
        PosixDirLister lister(MountTable {});
        if (ahead)
            lister.examineahead();
        auto listing = lister.open(t.root());
        std::vector<std::string> seen;
        DirEntry e;
        while (listing && listing->next(e))
            seen.push_back(std::string(e.name) + (e.isdir ? "/ " : " ") + std::to_string(e.size) + " "
                + std::to_string(e.mtime) + " " + std::to_string(e.inode) + " " + std::to_string(e.links)
                + (e.notregular ? " special" : ""));
        return seen;
    };
    const std::vector<std::string> alone = listed(false);
    ASSERT_EQ(alone.size(), 1300u);
    EXPECT_EQ(listed(true), alone);

    // Files of the first chunks the other thread takes go between the listing and its first entry.
    PosixDirLister lister(MountTable {});
    lister.examineahead();
    auto listing = lister.open(t.root());
    ASSERT_TRUE(listing);
    for (const char* gone : { "e300", "e301", "e800", "e1299" })
        ASSERT_EQ(::unlink(t.at(gone).c_str()), 0);
    std::size_t count = 0;
    DirEntry e;
    while (listing->next(e)) {
        ++count;
        EXPECT_TRUE(e.name != "e300" && e.name != "e301" && e.name != "e800" && e.name != "e1299") << e.name;
    }
    EXPECT_EQ(count, 1296u);
}

TEST(PosixDirLister, UnlistablePathsGiveNothing)
{
    TempTree t;
    t.file("plain");
    t.symlink(".", "link");
    PosixDirLister lister(MountTable {});
    EXPECT_FALSE(lister.open(t.at("missing")));
    EXPECT_FALSE(lister.open(t.at("plain")));
    // Below a listed directory a link is never followed, even when it points at a directory.
    auto top = lister.open(t.root());
    ASSERT_TRUE(top);
    EXPECT_FALSE(lister.open(t.at("link")));
    EXPECT_EQ(lister.openDescriptors(), 1u);
    top.reset();
    EXPECT_EQ(lister.openDescriptors(), 0u);
}

TEST(PosixDirLister, DeepChainKeepsFewDescriptors)
{
    TempTree t;
    t.dir("c");
    t.chain("c", 300, "d", "f");
    PosixDirLister lister(MountTable {});
    std::vector<std::unique_ptr<DirListing>> open;
    std::string path = t.at("c");
    for (int level = 0; level <= 300; ++level) {
        auto listing = lister.open(path);
        ASSERT_TRUE(listing) << "level " << level;
        EXPECT_LE(lister.openDescriptors(), PosixDirLister::MaxOpen);
        open.push_back(std::move(listing));
        path += "/d";
    }
    // A listing whose directory was given up still examines its entries, by full path.
    DirEntry e;
    std::map<std::string, bool> kinds;
    while (open[1]->next(e))
        kinds[std::string(e.name)] = e.isdir;
    EXPECT_EQ(kinds, (std::map<std::string, bool> { { "d", true }, { "f", false } }));
    open.clear();
    EXPECT_EQ(lister.openDescriptors(), 0u);
}

TEST(PosixDirLister, MountPointsReportedNotTouched)
{
    TempTree t;
    t.dir("real");
    t.dir("real/tmp");
    t.dir("real/bound");
    t.dir("real/plain");
    t.dir("elsewhere");
    t.file("elsewhere/inside", 10);
    if (!t.mounttmpfs("real/tmp") || !t.bindmount("elsewhere", "real/bound"))
        GTEST_SKIP() << "mounting is not permitted here";
    t.symlink("real", "viaLink");

    // Both through the real path and through a link to it: the mount table holds real paths.
    for (const char* root : { "real", "viaLink" }) {
        PosixDirLister lister(MountTable::load());
        const auto all = listall(lister, t.at(root));
        for (const char* m : { "tmp", "bound" }) {
            ASSERT_TRUE(all.count(m)) << root << "/" << m;
            EXPECT_TRUE(all.at(m).isdir) << root << "/" << m;
            EXPECT_TRUE(all.at(m).mountpoint) << root << "/" << m;
        }
        EXPECT_TRUE(all.at("plain").isdir);
        EXPECT_FALSE(all.at("plain").mountpoint);
    }
}

// On the way back up a deep tree each directory gets its descriptor back through ".." of the one below,
// unless that one has moved away meanwhile.
TEST(PosixDirLister, BelowTheRootNeitherLinksNorMountPointsAreEntered)
{
    TempTree t;
    t.dir("real");
    t.dir("real/a");
    t.dir("real/a/b");
    t.file("real/a/b/f", 1);
    t.dir("real/mounted");
    t.dir("elsewhere");
    t.file("elsewhere/g", 1);
    t.symlink(t.at("elsewhere"), "real/linked");
    t.symlink("real", "viaLink");
    const bool mounted = t.mounttmpfs("real/mounted");
    // The root is opened as the walker opens it, through a link too; below it nothing but directories.
    for (const char* root : { "real", "viaLink" }) {
        PosixDirLister lister(MountTable::load());
        const std::string r = t.at(root);
        auto listing = lister.openbelow(r, r + "/a/b");
        ASSERT_TRUE(listing) << root;
        DirEntry e;
        std::vector<std::string> names;
        while (listing->next(e))
            names.emplace_back(e.name);
        EXPECT_TRUE(std::count(names.begin(), names.end(), "f")) << root;
        EXPECT_TRUE(lister.openbelow(r, r));
        EXPECT_FALSE(lister.openbelow(r, r + "/linked")) << root;
        EXPECT_FALSE(lister.openbelow(r, r + "/missing")) << root;
        EXPECT_FALSE(lister.openbelow(r, t.at("elsewhere"))) << root; // not below the root
        if (mounted)
            EXPECT_FALSE(lister.openbelow(r, r + "/mounted")) << root;
    }
}

TEST(PosixDirLister, DescriptorsComeBackOnTheWayUp)
{
    TempTree t;
    t.dir("c");
    t.chain("c", 60, "d", "f");
    t.dir("elsewhere");
    PosixDirLister lister(MountTable {});
    std::vector<std::unique_ptr<DirListing>> open;
    std::vector<std::string> paths;
    std::string path = t.at("c");
    for (int level = 0; level <= 60; ++level) {
        open.push_back(lister.open(path));
        ASSERT_TRUE(open.back()) << level;
        paths.push_back(path);
        path += "/d";
    }
    ASSERT_EQ(lister.openDescriptors(), PosixDirLister::MaxOpen);

    // Move level 20 away while level 19 has no descriptor: its ".." is no longer level 19.
    ASSERT_EQ(::rename(paths[20].c_str(), t.at("elsewhere/moved").c_str()), 0);
    while (open.size() > 20) {
        open.pop_back();
        // Levels 29 to 60 held descriptors; below 29 each gets one back as the level under it ends.
        const std::size_t s = open.size();
        EXPECT_EQ(lister.openDescriptors(), s >= 30 ? s - 29 : s > 20 ? 1 : 0) << s;
    }
    // Level 19 still examines its entries, by path: "f" is a file ("d", named when the listing began and
    // a directory by its listed type, needs no examination).
    DirEntry e;
    std::map<std::string, bool> kinds;
    while (open.back()->next(e))
        kinds[std::string(e.name)] = e.isdir;
    EXPECT_EQ(kinds, (std::map<std::string, bool> { { "d", true }, { "f", false } }));
}

// A directory handed over after its listing opens its subdirectories, from listers of the same family, as
// open() would: never through a link put in a subdirectory's place, never a path that isn't its own child,
// and within a budget the family shares.
TEST(PosixDirLister, KeptDirectoriesOpenTheirSubdirectories)
{
    TempTree t;
    t.dir("top");
    t.dir("top/sub");
    t.file("top/sub/f", 7);
    t.dir("top/gone");
    t.dir("elsewhere");
    t.file("elsewhere/g", 1);
    PosixDirLister lister(MountTable {});
    const std::string top = t.at("top");

    auto listing = lister.open(top);
    ASSERT_TRUE(listing);
    EXPECT_FALSE(listing->keepopen()) << "not before the listing was read to its end";
    DirEntry e;
    while (listing->next(e)) { }
    std::shared_ptr<const DirHandle> kept = listing->keepopen();
    ASSERT_TRUE(kept);
    listing.reset(); // the handle outlives its listing
    EXPECT_EQ(lister.keptDescriptors(), 1);

    // The subdirectory's listing comes through the handle even when the path above it no longer leads there.
    ASSERT_EQ(::rename(top.c_str(), t.at("moved").c_str()), 0);
    std::unique_ptr<DirLister> twin = lister.another();
    auto sub = twin->openin(kept.get(), top + "/sub");
    ASSERT_TRUE(sub);
    ASSERT_TRUE(sub->next(e));
    EXPECT_EQ(e.name, "f");
    EXPECT_EQ(e.size, 7);
    sub.reset();
    // What isn't a child of the handle's directory opens by its own path.
    EXPECT_EQ(listall(*twin, t.at("elsewhere")).count("g"), 1u);
    EXPECT_TRUE(twin->openin(kept.get(), t.at("elsewhere")));
    // A link in a subdirectory's place is not followed.
    ASSERT_EQ(::rmdir(t.at("moved/gone").c_str()), 0);
    t.symlink(t.at("elsewhere"), "moved/gone");
    EXPECT_FALSE(twin->openin(kept.get(), top + "/gone"));

    // The family holds at most MaxKept handles; the rest of the listings keep their directories.
    std::vector<std::shared_ptr<const DirHandle>> handles { std::move(kept) };
    for (int i = 0; i < PosixDirLister::MaxKept + 3; ++i) {
        auto l = (i % 2 ? *twin : static_cast<DirLister&>(lister)).open(t.at("elsewhere"));
        ASSERT_TRUE(l);
        while (l->next(e)) { }
        if (auto h = l->keepopen())
            handles.push_back(std::move(h));
    }
    EXPECT_EQ(handles.size(), static_cast<std::size_t>(PosixDirLister::MaxKept));
    handles.clear();
    EXPECT_EQ(lister.keptDescriptors(), 0);
}
