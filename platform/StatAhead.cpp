#include "StatAhead.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace qv {

StatAhead::StatAhead(int dirfd, std::size_t count, Names names)
    : m_fd(::fcntl(dirfd, F_DUPFD_CLOEXEC, 0))
    , m_count(count)
    , m_names(std::move(names))
    , m_results(Slots * Chunk)
{
    if (m_fd >= 0)
        m_thread = std::thread(&StatAhead::run, this);
}

StatAhead::~StatAhead()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard guard(m_lock);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

void StatAhead::run()
{
    const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_INO | STATX_NLINK;
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
    for (std::size_t ordinal = 0;; ++ordinal) {
        const std::size_t first = (2 * ordinal + 1) * Chunk;
        if (first >= m_count)
            return;
        {
            std::unique_lock guard(m_lock);
            m_changed.wait(guard, [&] { return m_stopping || ordinal < m_released + Slots; });
            if (m_stopping)
                return;
        }
        Result* slot = m_results.data() + (ordinal % Slots) * Chunk;
        const std::size_t end = std::min(first + Chunk, m_count);
        for (std::size_t i = first; i < end; ++i) {
            const char* name = m_names(i);
            Result& r = slot[i - first];
            r.rc = name ? ::statx(m_fd, name, flags, mask, &r.st) : NotExamined;
        }
        {
            std::lock_guard guard(m_lock);
            m_done = ordinal + 1;
        }
        m_changed.notify_all();
    }
}

int StatAhead::result(std::size_t i, struct statx& st)
{
    const std::size_t ordinal = i / Chunk / 2;
    if (ordinal != m_ready) {
        std::unique_lock guard(m_lock);
        if (ordinal > m_released) {
            m_released = ordinal;
            m_changed.notify_all();
        }
        m_changed.wait(guard, [&] { return m_done > ordinal; });
        m_ready = ordinal;
    }
    const Result& r = m_results[(ordinal % Slots) * Chunk + i % Chunk];
    if (r.rc == 0)
        st = r.st;
    return r.rc;
}

} // namespace qv
