#include "BackgroundCall.h"

#include "Gate.h"

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

using namespace qv;

namespace {

using test::Gate;

// A work that is done is delivered after at most a few event-loop turns; these wait for that.
bool delivered(const std::optional<std::string>& got)
{
    return QTest::qWaitFor([&] { return got.has_value(); });
}

} // namespace

TEST(BackgroundCall, DeliversTheResultOnTheReceiversThread)
{
    QObject receiver;
    BackgroundCall call(&receiver);
    QThread* worker = nullptr;
    QThread* deliveredon = nullptr;
    std::optional<std::string> got;
    call.start<std::string>(
        [&worker] {
            worker = QThread::currentThread();
            return std::string("listing");
        },
        [&](std::string& result) {
            deliveredon = QThread::currentThread();
            got = result;
        });
    EXPECT_TRUE(call.pending());
    ASSERT_TRUE(delivered(got));
    EXPECT_EQ(*got, "listing");
    EXPECT_EQ(deliveredon, receiver.thread());
    EXPECT_NE(worker, receiver.thread());
    EXPECT_FALSE(call.pending());
}

TEST(BackgroundCall, AStuckWorkHoldsUpNeitherTheNextRequestNorTheReceiver)
{
    QObject receiver;
    BackgroundCall call(&receiver);
    auto gate = std::make_shared<Gate>();
    std::vector<std::string> got;
    call.start<std::string>(
        [gate] {
            gate->wait();
            return std::string("stale");
        },
        [&](std::string& r) { got.push_back(r); });
    gate->waitforwaiters(1);

    std::optional<std::string> second;
    call.start<std::string>([] { return std::string("fresh"); },
        [&](std::string& r) {
            got.push_back(r);
            second = r;
        });
    ASSERT_TRUE(delivered(second));

    // The superseded work comes back afterwards: its result is dropped.
    gate->open();
    std::optional<std::string> third;
    call.start<std::string>([] { return std::string("last"); }, [&](std::string& r) { third = r; });
    ASSERT_TRUE(delivered(third));
    QCoreApplication::processEvents();
    EXPECT_EQ(got, std::vector<std::string> { "fresh" });
}

TEST(BackgroundCall, NothingArrivesAfterCancelOrOnceTheCallIsGone)
{
    QObject receiver;
    auto gate = std::make_shared<Gate>();
    auto returned = std::make_shared<std::atomic<int>>(0);
    int calls = 0;
    {
        BackgroundCall cancelled(&receiver);
        cancelled.start<int>(
            [gate, returned] {
                gate->wait();
                ++*returned;
                return 1;
            },
            [&](int&) { ++calls; });
        cancelled.cancel();
        EXPECT_FALSE(cancelled.pending());

        auto gone = std::make_unique<BackgroundCall>(&receiver);
        gone->start<int>(
            [gate, returned] {
                gate->wait();
                ++*returned;
                return 2;
            },
            [&](int&) { ++calls; });
        gate->waitforwaiters(2);
        gone.reset();
        gate->open();

        // A call made once both have returned shows when their results would have been delivered.
        ASSERT_TRUE(QTest::qWaitFor([&] { return *returned == 2; }));
        std::optional<std::string> marker;
        cancelled.start<std::string>([] { return std::string("m"); }, [&](std::string& r) { marker = r; });
        ASSERT_TRUE(delivered(marker));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

TEST(BackgroundCall, AWorkThatThrowsEndsItsRequestWithAnEmptyResult)
{
    QObject receiver;
    BackgroundCall call(&receiver);
    std::optional<std::string> got;
    call.start<std::string>(
        []() -> std::string { throw std::runtime_error("unreadable"); }, [&](std::string& result) { got = result; });
    ASSERT_TRUE(delivered(got));
    EXPECT_EQ(*got, "");
    EXPECT_FALSE(call.pending());
}
