#pragma once

// Work that hangs until a test lets it go, like a read of a stopped FUSE daemon.
#include "PosixDirLister.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace qv::test {

// Holds every thread that waits on it until it is opened.
class Gate
{
public:
    void wait()
    {
        std::unique_lock guard(m_lock);
        ++m_waiting;
        m_changed.notify_all();
        m_changed.wait(guard, [this] { return m_open; });
    }
    void waitforwaiters(int n)
    {
        std::unique_lock guard(m_lock);
        m_changed.wait(guard, [&] { return m_waiting >= n; });
    }
    void open()
    {
        std::lock_guard guard(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_waiting = 0;
    bool m_open = false;
};

// Lists the real file system, except that opening one of the directories it was told to hang waits
// until release(). Its listers may outlive it on parked workers.
class HangingLister
{
public:
    ~HangingLister() { release(); }

    void hang(const std::string& path)
    {
        std::lock_guard guard(m_state->lock);
        m_state->hung.insert(path);
    }
    // Returns once n opens are hanging.
    void waitforhung(int n) { m_state->gate.waitforwaiters(n); }
    void release() { m_state->gate.open(); }

    std::function<std::unique_ptr<DirLister>()> factory() const
    {
        return [state = m_state] { return std::make_unique<Lister>(state); };
    }

private:
    struct State
    {
        std::mutex lock;
        std::set<std::string> hung;
        Gate gate;
    };
    class Lister : public DirLister
    {
    public:
        explicit Lister(std::shared_ptr<State> state)
            : m_state(std::move(state))
        {
        }
        std::unique_ptr<DirListing> open(const std::string& path) override
        {
            bool hangs;
            {
                std::lock_guard guard(m_state->lock);
                hangs = m_state->hung.count(path) != 0;
            }
            if (hangs)
                m_state->gate.wait();
            return m_real.open(path);
        }

    private:
        std::shared_ptr<State> m_state;
        PosixDirLister m_real;
    };

    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace qv::test
