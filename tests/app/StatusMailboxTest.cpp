// The status hand-over between the scan thread and the GUI thread.
#include "StatusMailbox.h"

#include <gtest/gtest.h>
#include <thread>

using namespace qv;

namespace {

TEST(StatusMailbox, GivesTheLatestTextOnceAndNothingBeforeAnyPost)
{
    StatusMailbox box;
    const auto t = box.open();
    EXPECT_FALSE(box.take());
    box.post(t, "one");
    box.post(t, "two");
    EXPECT_EQ(box.take(), "two");
    EXPECT_FALSE(box.take());
    box.post(t, "three");
    EXPECT_EQ(box.take(), "three");
}

TEST(StatusMailbox, DropsEverythingOfAScanOnceClosed)
{
    StatusMailbox box;
    StatusMailbox::Sink sink(box, box.open());
    sink.status("walking");
    box.close();
    EXPECT_FALSE(box.take());
    sink.status("Scan Complete Preparing Display...");
    EXPECT_FALSE(box.take());
}

TEST(StatusMailbox, AnEarlierScansTextNeverShowsInTheNextScan)
{
    StatusMailbox box;
    StatusMailbox::Sink first(box, box.open());
    first.status("old, not taken");
    StatusMailbox::Sink second(box, box.open());
    EXPECT_FALSE(box.take());
    first.status("old, late");
    EXPECT_FALSE(box.take());
    second.status("new");
    EXPECT_EQ(box.take(), "new");
}

TEST(StatusMailbox, TextsTakenWhileAScanPostsKeepTheirOrder)
{
    StatusMailbox box;
    const auto t = box.open();
    constexpr int N = 20000;
    std::thread scan([&] {
        for (int i = 1; i <= N; ++i)
            box.post(t, std::to_string(i));
    });
    int last = 0;
    while (last < N) {
        if (const auto text = box.take()) {
            const int n = std::stoi(*text);
            ASSERT_GT(n, last);
            last = n;
        }
    }
    scan.join();
}

} // namespace
