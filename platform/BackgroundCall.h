#pragma once

#include <QMetaObject>
#include <QObject>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace qv {

// Runs work that may block for ever (a read of a dead network or FUSE mount) on a worker thread that
// nothing ever waits for, and hands the result back on the receiver's thread.
//
// One BackgroundCall serves one kind of request of one receiver, latest request first: start() supersedes
// the request in flight, whose result is then dropped (its work still runs to its end on its worker).
// A worker stuck in a system call stays parked; the next request gets another worker, and the program's
// exit never waits for either. The work must therefore own everything it touches (copies, shared
// pointers), never a window. A work that throws ends its request all the same: the receiver gets a
// default-made result (no entries, no path), as for something that could not be read.
class BackgroundCall
{
public:
    // receiver: the object on whose thread results are delivered; it must outlive this object.
    explicit BackgroundCall(QObject* receiver);
    // Nothing is delivered once this has run, whatever is still in flight.
    ~BackgroundCall();
    BackgroundCall(const BackgroundCall&) = delete;
    BackgroundCall& operator=(const BackgroundCall&) = delete;

    // Starts work on a worker thread. Once it returns (or throws: R() then), done(result) runs on the
    // receiver's thread, unless another start() or cancel() came first or this object is gone. Call on the
    // receiver's thread.
    template <typename R> void start(std::function<R()> work, std::function<void(R&)> done)
    {
        const std::uint64_t ticket = begin();
        post([state = m_state, ticket, work = std::move(work), done = std::move(done)]() {
            std::shared_ptr<R> result;
            try {
                result = std::make_shared<R>(work());
            } catch (...) {
                failed(std::current_exception());
                result = std::make_shared<R>();
            }
            std::lock_guard guard(state->lock);
            if (!state->receiver || state->ticket != ticket)
                return;
            QMetaObject::invokeMethod(
                state->receiver,
                [state, ticket, done, result]() {
                    if (finish(*state, ticket))
                        done(*result);
                },
                Qt::QueuedConnection);
        });
    }

    // Drops the result of the request in flight, if any.
    void cancel();
    // True from start() until its result has been delivered, or it was cancelled.
    bool pending() const;

private:
    struct State
    {
        std::mutex lock;
        QObject* receiver; // null once the BackgroundCall is gone
        std::uint64_t ticket = 0; // of the latest request
        bool pending = false;
    };

    std::uint64_t begin();
    static bool finish(State& state, std::uint64_t ticket);
    static void post(std::function<void()> job);
    // Tells standard error why a work failed.
    static void failed(std::exception_ptr error);

    std::shared_ptr<State> m_state;
};

} // namespace qv
