#include "BackgroundCall.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <thread>

namespace qv {
namespace {

// Detached worker threads fed from one queue. A new worker starts whenever a job would otherwise wait,
// so a worker parked in a dead mount never holds up the next request. The pool is never destroyed: the
// program's exit must not wait for a parked worker, nor may a worker find its queue gone.
class WorkerPool
{
public:
    static WorkerPool& instance()
    {
        static WorkerPool* pool = new WorkerPool;
        return *pool;
    }

    void post(std::function<void()> job)
    {
        std::lock_guard guard(m_lock);
        m_jobs.push_back(std::move(job));
        if (m_idle < m_jobs.size())
            std::thread([this] { work(); }).detach();
        else
            m_changed.notify_one();
    }

private:
    void work()
    {
        std::unique_lock guard(m_lock);
        for (;;) {
            ++m_idle;
            m_changed.wait(guard, [this] { return !m_jobs.empty(); });
            --m_idle;
            std::function<void()> job = std::move(m_jobs.front());
            m_jobs.pop_front();
            guard.unlock();
            job(); // start() catches what the work throws
            job = nullptr; // its captures go before the lock is taken again
            guard.lock();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    std::size_t m_idle = 0;
};

} // namespace

BackgroundCall::BackgroundCall(QObject* receiver)
    : m_state(std::make_shared<State>())
{
    m_state->receiver = receiver;
}

BackgroundCall::~BackgroundCall()
{
    std::lock_guard guard(m_state->lock);
    m_state->receiver = nullptr;
}

std::uint64_t BackgroundCall::begin()
{
    std::lock_guard guard(m_state->lock);
    m_state->pending = true;
    return ++m_state->ticket;
}

bool BackgroundCall::finish(State& state, std::uint64_t ticket)
{
    std::lock_guard guard(state.lock);
    if (!state.receiver || state.ticket != ticket || !state.pending)
        return false;
    state.pending = false;
    return true;
}

void BackgroundCall::cancel()
{
    std::lock_guard guard(m_state->lock);
    ++m_state->ticket;
    m_state->pending = false;
}

bool BackgroundCall::pending() const
{
    std::lock_guard guard(m_state->lock);
    return m_state->pending;
}

void BackgroundCall::failed(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvane: background read failed: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "quorvane: background read failed\n");
    }
}

void BackgroundCall::post(std::function<void()> job)
{
    WorkerPool::instance().post(std::move(job));
}

} // namespace qv
