#include "TreePrint.h"

#include "ColourRangeTable.h"
#include "Labels.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <sched.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qv {
namespace {

constexpr std::size_t BatchRecords = 4096;
constexpr std::size_t Batches = 16; // formatted or being formatted ahead of the writing

void appendnumber(std::string& out, int x)
{
    char digits[16];
    out.append(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, x).ptr - digits));
}

// One a core, up to three: the walking thread mostly waits for them, so it needs no core of its own.
int formatters()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    const int cores = ::sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : 1;
    return cores < 2 ? 0 : std::min(cores, 3);
}

struct Batch
{
    std::vector<std::pair<const dirrec*, int>> records; // with their levels
    std::string text;
    bool done = false;
};

// Batches go round a ring: the walk fills them in order, formatters take them in order, and the walk's
// thread writes them out in order once formatted, which frees them for filling again.
class Pipeline
{
public:
    Pipeline(int W, const ColourRangeTable& colours, const std::function<void(std::string_view)>& write, int threads)
        : m_W(W)
        , m_colours(colours)
        , m_write(write)
        , m_ring(Batches)
    {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { serve(); });
    }
    ~Pipeline()
    {
        {
            std::lock_guard guard(m_lock);
            m_ended = true;
        }
        m_ready.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

    void add(const dirrec* r, int level)
    {
        m_filling.emplace_back(r, level);
        if (m_filling.size() == BatchRecords)
            submit();
    }
    void finish()
    {
        if (!m_filling.empty())
            submit();
        std::unique_lock guard(m_lock);
        while (m_written < m_queued)
            writenext(guard);
    }

private:
    void format(Batch& b) const
    {
        b.text.clear();
        for (const auto& [r, level] : b.records)
            appendtreeline(b.text, *r, level, m_W, m_colours);
    }
    // Writes the oldest batch once it is formatted; the lock is let go while writing.
    void writenext(std::unique_lock<std::mutex>& guard)
    {
        Batch& b = m_ring[m_written % Batches];
        m_done.wait(guard, [&] { return b.done; });
        guard.unlock();
        m_write(b.text);
        guard.lock();
        ++m_written;
    }
    void submit()
    {
        std::unique_lock guard(m_lock);
        while (m_queued - m_written == Batches)
            writenext(guard);
        Batch& b = m_ring[m_queued % Batches];
        b.records.swap(m_filling);
        m_filling.clear();
        b.done = false;
        ++m_queued;
        guard.unlock();
        m_ready.notify_one();
    }
    void serve()
    {
        std::unique_lock guard(m_lock);
        for (;;) {
            m_ready.wait(guard, [&] { return m_taken < m_queued || m_ended; });
            if (m_taken == m_queued)
                return;
            Batch& b = m_ring[m_taken++ % Batches];
            guard.unlock();
            format(b);
            guard.lock();
            b.done = true;
            m_done.notify_all();
        }
    }

    const int m_W;
    const ColourRangeTable& m_colours;
    const std::function<void(std::string_view)>& m_write;
    std::vector<Batch> m_ring;
    std::vector<std::pair<const dirrec*, int>> m_filling;
    std::mutex m_lock;
    std::condition_variable m_ready; // formatters wait for batches
    std::condition_variable m_done; // the writing waits for a batch to be formatted
    std::size_t m_queued = 0, m_taken = 0, m_written = 0;
    bool m_ended = false;
    std::vector<std::thread> m_threads;
};

} // namespace

void appendtreeline(std::string& out, const dirrec& r, int level, int W, const ColourRangeTable& colours)
{
    appendnumber(out, level);
    out += '\t';
    appendnumber(out, ColourOfSize(colours, r.space));
    out += '\t';
    appendlabel(out, r, 2 * level, W);
    out += '\n';
}

void printtreelines(
    const dirrec* root, int W, const ColourRangeTable& colours, const std::function<void(std::string_view)>& write)
{
    const int threads = formatters();
    if (threads == 0) {
        std::string text;
        preorder(root, [&](const dirrec* r, int level) {
            appendtreeline(text, *r, level, W, colours);
            if (text.size() >= (1u << 20)) {
                write(text);
                text.clear();
            }
        });
        write(text);
        return;
    }
    Pipeline pipeline(W, colours, write, threads);
    preorder(root, [&](const dirrec* r, int level) { pipeline.add(r, level); });
    pipeline.finish();
}

} // namespace qv
