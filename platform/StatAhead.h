#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace qv {

// Examines the entries of one big listing on a thread of its own while the caller examines others: of the
// listing's chunks of Chunk entries, the thread takes every second one (1, 3, 5...), at most Slots of
// them ahead of the caller, so its memory stays the same however big the directory. Each statx is the one
// the caller would make (relative to the directory, links not followed), only made on the other core.
class StatAhead
{
public:
    static constexpr std::size_t Chunk = 256;
    static constexpr std::size_t Slots = 8;
    // What result() gives for an entry the thread was told to leave to the caller.
    static constexpr int NotExamined = 1;

    // The name of entry i (NUL-terminated, valid while this lives), or nullptr for one to leave.
    using Names = std::function<const char*(std::size_t)>;

    // Examines entries of the directory open as dirfd (duplicated: the caller may close its own).
    StatAhead(int dirfd, std::size_t count, Names names);
    ~StatAhead();
    StatAhead(const StatAhead&) = delete;
    StatAhead& operator=(const StatAhead&) = delete;

    // False when the descriptor could not be duplicated: nothing is examined then.
    bool running() const { return m_thread.joinable(); }
    // Whether entry i is the thread's to examine.
    static bool ahead(std::size_t i) { return (i / Chunk) % 2 == 1; }
    // The statx of entry i, one of the thread's: its return value (or NotExamined) and, for 0, st. Waits
    // for it; asked in order, and every chunk before i's is done with.
    int result(std::size_t i, struct statx& st);

private:
    struct Result
    {
        int rc;
        struct statx st;
    };
    void run();

    int m_fd;
    std::size_t m_count;
    Names m_names;
    std::vector<Result> m_results; // Slots chunks of Chunk
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::size_t m_done = 0; // of the thread's chunks (ordinals 0, 1... for chunks 1, 3...), finished
    std::size_t m_released = 0; // of them, those the caller is done with
    bool m_stopping = false;
    std::size_t m_ready = static_cast<std::size_t>(-1); // the caller's: the chunk it knows is done
    std::thread m_thread;
};

} // namespace qv
