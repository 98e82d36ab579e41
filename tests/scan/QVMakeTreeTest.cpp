// The scan thread end to end over an in-memory tree: status texts in order, the two hand-overs to the
// GUI thread, the cluster-size rules, stop, late stop, and a GUI that goes away.
#include "QVMakeTree.h"

#include "FakeFiles.h"
#include "ReadAhead.h"
#include "RecordChecks.h"
#include "Rescan.h"
#include "Scan.h"
#include "ScanFakes.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

using Strings = std::vector<std::string>;

class RecordingDisplay : public ScanDisplay
{
public:
    explicit RecordingDisplay(ScanValues& values)
        : m_values(values)
    {
    }
    void emptytree() override { record("emptytree"); }
    void showtree(const ScanSummary& scan) override
    {
        record("showtree");
        shown = scan;
    }
    void showsubtree(dirrec* dir, dirrec* fresh, const ScanSummary& scan) override
    {
        record("showsubtree");
        shown = scan;
        splicesubtree(dir, fresh);
    }

    Strings calls;
    Strings roots; // scanroot's name at each call: the records are still there to read
    ScanSummary shown; // what the last showtree was handed
    bool allongui = true;
    bool allinprogress = true;

private:
    void record(const char* what)
    {
        calls.push_back(what);
        roots.emplace_back(m_values.scanroot ? m_values.scanroot->name() : "");
        allongui = allongui && QThread::currentThread() == QCoreApplication::instance()->thread();
        allinprogress = allinprogress && m_values.scaninprogress == 1;
    }
    ScanValues& m_values;
};

struct Scan
{
    ScanValues values;
    FakeFiles files;
    FakeVolumes volumes;
    RecordingSink sink;
    RecordingDisplay display { values };
    int ended = 0;
    std::unique_ptr<QVMakeTree> thread;

    Scan()
    {
        volumes.answer = { "/", "ext4", true, 4096, 100, 1572864 };
        files.file("/data/a/x.txt", 5000);
        files.file("/data/a/y.TXT", 100);
        files.file("/data/b.c", 10);
        files.file("/data/README", 1);
    }
    void start(const std::string& path)
    {
        thread.reset();
        values.scanpath = path;
        thread = std::make_unique<QVMakeTree>(
            ScanServices { values, volumes, files.factory(), sink, display, [this] { ++ended; }, {} });
    }
    // Waits for the scan to end and checks the records it left. waitended() orders the body's writes before
    // the check in a way ThreadSanitizer sees; QThread::wait() alone does not.
    bool finish(int endings = 1)
    {
        const bool done = QTest::qWaitFor([&] { return ended >= endings; }, 10000) && thread->waitended(10000)
            && thread->wait(10000);
        if (values.scanroot)
            checktree(values.scanroot);
        return done;
    }
};

TEST(QVMakeTree, CompleteScanPostsWalkerTextsThenCompletionAndFreeSpace)
{
    Scan s;
    s.start("/data/");
    ASSERT_TRUE(s.finish());
    EXPECT_EQ(s.sink.texts(),
        (Strings {
            "/data/a", "/data/a", "Scan Complete Preparing Display...", "Freespace on Drive / is       1.5MB" }));
    EXPECT_EQ(s.display.calls, Strings { "showtree" });
    EXPECT_TRUE(s.display.allongui);
    EXPECT_TRUE(s.display.allinprogress);
    EXPECT_EQ(s.volumes.asked(), Strings { "/data" });

    const dirrec* root = s.values.scanroot;
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name(), "/data");
    EXPECT_EQ(root->kind, KindDirectory);
    EXPECT_EQ(root->bytes, 5111);
    EXPECT_EQ(root->space, (2 + 1 + 1 + 1) * 4096); // x.txt takes two clusters
    EXPECT_EQ(root->count, 4u);
    EXPECT_TRUE(s.display.shown.completed);
    EXPECT_EQ(s.display.shown.maxdepth, 2);
    EXPECT_EQ(s.display.shown.labelwidth, 32);
    EXPECT_EQ(s.display.shown.clustersize, 4096u);
    EXPECT_EQ(s.values.scaninprogress, 0);
    EXPECT_EQ(s.values.scanabort, 0);
    EXPECT_EQ(s.ended, 1);
}

TEST(QVMakeTree, ClusterSizeAndFreeSpaceFollowTheFileSystemRules)
{
    struct Case
    {
        VolumeInfo volume;
        bool ntfamily;
        std::uint32_t clustersize;
        const char* freetext;
    };
    const std::vector<Case> cases = {
        { { "/v", "FAT", true, 32768, 100000, 1 }, true, 32768, "   3125.0" },
        // FAT16 counts in 32 bits: 65536 * 65537 bytes wraps to 65536.
        { { "/v", "FAT16", true, 65536, 65537, 1 }, true, 65536, "      0.1" },
        { { "/v", "FAT32", true, 16384, 1, 10485760 }, true, 4096, "     10.0" },
        { { "/v", "fat32", true, 16384, 1, 10485760 }, true, 16384, "     10.0" },
        { { "/v", "NTFS", true, 8192, 1, 1048576 }, true, 8192, "      1.0" },
        { { "/v", "NTFS", true, 8192, 1, 1048576 }, false, 4096, "      1.0" },
        { { "/v", "NTFS", true, 2048, 1, 1048576 }, false, 2048, "      1.0" },
        { { "/v", "ext4", true, 1024, 1, 5767168 }, false, 1024, "      5.5" },
        { { "/v", "btrfs", true, 0, 1, 5767168 }, true, 4096, "      0.0" },
        { { "/v", "", false, 0, 0, 0 }, true, 4096, "      0.0" },
        { { "", "", false, 0, 0, 0 }, true, 4096, "      0.0" },
    };
    for (const Case& c : cases) {
        Scan s;
        s.volumes.answer = c.volume;
        s.values.ntfamily = c.ntfamily;
        s.files.dir("/e");
        s.start("/e");
        ASSERT_TRUE(s.finish());
        const std::string root = c.volume.root.empty() ? "/e" : c.volume.root;
        EXPECT_EQ(s.values.clustersize, c.clustersize) << c.volume.fsname << " " << c.volume.clustersize;
        EXPECT_EQ(s.sink.texts().back(), "Freespace on Drive " + root + " is " + c.freetext + "MB")
            << c.volume.fsname << " " << c.volume.clustersize;
    }
}

TEST(QVMakeTree, ClusterSizeReachesTheWalker)
{
    Scan s;
    s.volumes.answer = { "/", "FAT", true, 512, 1, 1 };
    s.start("/data");
    ASSERT_TRUE(s.finish());
    // x.txt 5000 -> 5120, y.TXT 100 -> 512, b.c 10 -> 512, README 1 -> 512; what-if at 4 KB clusters.
    EXPECT_EQ(s.values.scanroot->space, 5120 + 3 * 512);
    EXPECT_EQ(s.values.scanroot->whatif, 8192 + 3 * 4096);
}

TEST(QVMakeTree, NextScanEmptiesTheTreeBeforeReleasingTheRecords)
{
    Scan s;
    s.start("/data");
    ASSERT_TRUE(s.finish());
    const double bytes = s.values.scanroot->bytes;
    s.start("/data");
    ASSERT_TRUE(s.finish(2));
    EXPECT_EQ(s.display.calls, (Strings { "showtree", "emptytree", "showtree" }));
    // At emptytree the previous root was still readable.
    EXPECT_EQ(s.display.roots, (Strings { "/data", "/data", "/data" }));
    EXPECT_EQ(s.values.scanroot->bytes, bytes);
    EXPECT_TRUE(s.display.allongui);
}

TEST(QVMakeTree, StopDuringTheWalkSkipsSummingAndDisplay)
{
    Scan s;
    s.files.hold("/data/a");
    s.start("/data");
    // The walker has entered a and waits for its listing (a worker may have been held there first).
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.files.held() && s.sink.count() > 0; }, 10000));
    EXPECT_EQ(s.values.scaninprogress, 1);
    s.values.scanabort = 1;
    s.files.release();
    ASSERT_TRUE(s.finish());
    // Only the text of entering a; nothing after the stop.
    EXPECT_EQ(s.sink.texts(), Strings { "/data/a" });
    EXPECT_TRUE(s.display.calls.empty());
    EXPECT_EQ(s.values.scaninprogress, 0);
    EXPECT_EQ(s.values.scanabort, 0);
    ASSERT_NE(s.values.scanroot, nullptr);
    EXPECT_EQ(s.values.scanroot->bytes, 0); // not summed

    // The next scan works as after a complete one.
    s.start("/data");
    ASSERT_TRUE(s.finish(2));
    EXPECT_EQ(s.display.calls, (Strings { "emptytree", "showtree" }));
    EXPECT_EQ(s.values.scanroot->bytes, 5111);
}

TEST(QVMakeTree, StopEndsTheScanWhileAWorkerIsStuckInADeadDirectory)
{
    if (readaheadworkers() == 0)
        GTEST_SKIP() << "one core: no worker reads ahead";
    Scan s;
    s.files.dir("/data/z/dead/below");
    s.files.hold("/data/a"); // keeps the walker in a until the stop
    s.files.hold("/data/z/dead"); // never returns until released: a stopped file system
    s.start("/data");
    // The walker waits in a while a worker, reading ahead, is stuck in dead.
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.files.held() == 2; }, 10000));
    s.values.scanabort = 1;
    s.files.release("/data/a"); // a answers once the scan is stopped
    ASSERT_TRUE(s.finish());
    EXPECT_EQ(s.files.held(), 1); // the scan has ended around it
    EXPECT_TRUE(s.display.calls.empty());
    EXPECT_EQ(s.values.scaninprogress, 0);
    s.files.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.files.busy() == 0; }, 10000));
}

TEST(QVMakeTree, StopWhileTheCompletionTextShowsLeavesTheTreeEmpty)
{
    Scan s;
    // The stop comes after the roll-up, before the GUI thread has run the tree fill.
    s.sink.hook = [&](const std::string& text) {
        if (text == "Scan Complete Preparing Display...")
            s.values.scanabort = 1;
    };
    s.start("/data");
    ASSERT_TRUE(s.finish());
    EXPECT_TRUE(s.display.calls.empty());
    EXPECT_EQ(s.sink.texts().back(), "Scan Complete Preparing Display...");
    EXPECT_EQ(s.values.scaninprogress, 0);
    EXPECT_EQ(s.values.scanabort, 0);
}

TEST(QVMakeTree, AStopAsSoonAsTheScanIsAskedForStopsIt)
{
    Scan s;
    s.values.scanpath = "/data";
    s.files.hold("/data");
    s.thread = std::make_unique<QVMakeTree>(
        ScanServices { s.values, s.volumes, s.files.factory(), s.sink, s.display, [&] { ++s.ended; }, {} });
    EXPECT_EQ(s.values.scaninprogress, 1); // before the thread body has run
    s.values.scanabort = 1;
    s.files.release(); // the scan path answers only after the stop
    ASSERT_TRUE(s.finish());
    EXPECT_TRUE(s.display.calls.empty());
    EXPECT_TRUE(s.sink.texts().empty());
}

TEST(QVMakeTree, ALateStopDoesNotEndTheNextScan)
{
    Scan s;
    s.values.scanabort = 1; // left over from a stop that came as the previous scan ended
    s.start("/data");
    ASSERT_TRUE(s.finish());
    EXPECT_EQ(s.display.calls, Strings { "showtree" });
    EXPECT_EQ(s.sink.texts().size(), 4u);
}

TEST(QVMakeTree, EmptyScanPathStartsNoScan)
{
    Scan s;
    s.start("");
    ASSERT_TRUE(s.finish());
    EXPECT_TRUE(s.sink.texts().empty());
    EXPECT_TRUE(s.display.calls.empty());
    EXPECT_TRUE(s.volumes.asked().empty());
    EXPECT_TRUE(s.files.opened().empty());
    EXPECT_EQ(s.values.scanroot, nullptr);
    EXPECT_EQ(s.values.scaninprogress, 0);
}

TEST(QVMakeTree, UnlistableScanPathGivesAnEmptyRoot)
{
    Scan s;
    s.start("/nowhere");
    ASSERT_TRUE(s.finish());
    EXPECT_EQ(s.display.calls, Strings { "showtree" });
    EXPECT_EQ(s.values.scanroot->child, nullptr);
    EXPECT_EQ(s.values.scanroot->count, 0u);
    EXPECT_EQ(s.sink.texts().front(), "Scan Complete Preparing Display...");
}

TEST(QVMakeTree, ScanOfTheFileSystemRootKeepsTheSlash)
{
    Scan s;
    s.start("/");
    ASSERT_TRUE(s.finish());
    EXPECT_EQ(s.values.scanroot->name(), "/");
    EXPECT_EQ(s.files.opened().front(), "/");
    EXPECT_EQ(s.sink.texts().front(), "/data");
}

TEST(QVMakeTree, CancelledHandOversEndTheScanWithoutTouchingWindowOrRecords)
{
    Scan s;
    s.start("/data");
    ASSERT_TRUE(s.finish());
    const dirrec* first = s.values.scanroot;

    // The GUI goes away before it runs the next scan's first hand-over: it never runs any of its events.
    s.start("/data");
    s.thread->cancelhandovers();
    ASSERT_TRUE(s.thread->wait(10000));
    QCoreApplication::processEvents();
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.ended == 2; }, 10000));
    EXPECT_EQ(s.display.calls, Strings { "showtree" });
    EXPECT_EQ(s.values.scanroot, first); // not released: the view might still show them
    EXPECT_EQ(s.values.scanroot->name(), "/data");
    EXPECT_EQ(s.values.scaninprogress, 0);
    EXPECT_EQ(s.values.scanabort, 0);
}

TEST(QVMakeTree, CancellingWhileTheScanWaitsForShowtreeEndsIt)
{
    Scan s;
    s.start("/data");
    // Wait without running events until the scan has posted its completion text and so waits for the GUI.
    s.sink.waitfor(3);
    ASSERT_EQ(s.sink.count(), 3u);
    s.thread->cancelhandovers();
    ASSERT_TRUE(s.thread->wait(10000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(s.display.calls.empty());
    EXPECT_EQ(s.sink.texts().back(), "Scan Complete Preparing Display...");
    EXPECT_EQ(s.values.scaninprogress, 0);
}

} // namespace
