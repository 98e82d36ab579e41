#pragma once

// Work that hangs until a test lets it go, like a read of a stopped FUSE daemon.
#include <condition_variable>
#include <mutex>

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

} // namespace qv::test
