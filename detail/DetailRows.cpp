#include "DetailRows.h"

#include "ColourRangeTable.h"
#include "DirLister.h"
#include "DisplayText.h"
#include "PathJoin.h"
#include "Records.h"
#include "SizeText.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>

namespace qv {
namespace {

// The walker's limit: an entry is left out when its directory's path, its name and two more bytes
// exceed 4095 bytes, so the rows of a group add up to what the scan counted.
constexpr std::size_t MaxPath = 4095;

// namecmp(groupname(name), group) == 0 without building the group name: "*" and the part from the last
// "." on ("." alone for a name without one), compared under ASCII upper-casing.
bool ingroup(std::string_view name, std::string_view group)
{
    if (group.empty() || group.front() != '*')
        return false;
    const std::size_t dot = name.rfind('.');
    return namecmp(dot == std::string_view::npos ? std::string_view(".") : name.substr(dot), group.substr(1)) == 0;
}

// displaytext() with a short cut for the common plain ASCII name.
QString caption(std::string_view name)
{
    for (const char c : name)
        if (c < 0x20 || c > 0x7E)
            return displaytext(name);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// Sorts captions by collation keys. Keys are made once per row, so that comparing two is a byte
// comparison. Making them and sorting them is done in runs of Batch rows on a second thread while the
// caller goes on reading the directory (which mostly waits for the kernel); order() then merges the runs.
class RowSorter
{
public:
    static constexpr std::size_t Batch = 4096;

    RowSorter() = default;
    RowSorter(const RowSorter&) = delete;
    RowSorter& operator=(const RowSorter&) = delete;
    ~RowSorter() { stop(); }

    // The next row's caption.
    void add(const QString& caption)
    {
        m_pending.push_back(caption);
        if (m_pending.size() == Batch)
            hand();
    }

    // Indices of all rows added, in sorted order; rows' raw names break ties between equal keys.
    std::vector<std::size_t> order(const std::vector<DetailRow>& rows)
    {
        if (!m_pending.empty()) {
            // The last run is sorted here while the worker finishes the others.
            m_runs.push_back(std::make_unique<Run>(m_added, std::move(m_pending)));
            m_added += m_runs.back()->captions.size();
            sortrun(*m_runs.back());
        }
        stop();
        return merge(rows);
    }

private:
    struct Run
    {
        Run(std::size_t first, std::vector<QString> captions)
            : first(first)
            , captions(std::move(captions))
        {
        }
        std::size_t first; // index of the run's first row
        std::vector<QString> captions;
        std::vector<QCollatorSortKey> keys;
        std::vector<std::uint32_t> order; // indices into the run, sorted by key
    };

    void sortrun(Run& run) const
    {
        const QCollator collator = englishcollator(); // one per thread
        run.keys.reserve(run.captions.size());
        for (const QString& c : run.captions)
            run.keys.push_back(collator.sortKey(c));
        run.order.resize(run.captions.size());
        std::iota(run.order.begin(), run.order.end(), 0u);
        std::sort(run.order.begin(), run.order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return run.keys[a].compare(run.keys[b]) < 0; });
    }

    void hand()
    {
        m_runs.push_back(std::make_unique<Run>(m_added, std::move(m_pending)));
        m_pending.clear();
        Run* run = m_runs.back().get();
        m_added += run->captions.size();
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { work(); });
            } catch (const std::system_error&) {
                sortrun(*run); // no second thread to be had: sort here
                return;
            }
        }
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back(run);
        }
        m_wake.notify_one();
    }

    void work()
    {
        for (;;) {
            Run* run = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_done || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                run = m_queue.front();
                m_queue.pop_front();
            }
            sortrun(*run);
        }
    }

    void stop()
    {
        if (!m_thread.joinable())
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    std::vector<std::size_t> merge(const std::vector<DetailRow>& rows) const
    {
        struct Cursor
        {
            const Run* run;
            std::size_t at;
            const QCollatorSortKey& key() const { return run->keys[run->order[at]]; }
        };
        const auto later = [](const Cursor& a, const Cursor& b) { return a.key().compare(b.key()) > 0; };
        std::vector<Cursor> heap;
        for (const auto& run : m_runs)
            if (!run->order.empty())
                heap.push_back({ run.get(), 0 });
        std::make_heap(heap.begin(), heap.end(), later);
        std::vector<std::size_t> order;
        std::vector<const QCollatorSortKey*> keys;
        order.reserve(m_added);
        keys.reserve(m_added);
        while (!heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), later);
            Cursor& c = heap.back();
            order.push_back(c.run->first + c.run->order[c.at]);
            keys.push_back(&c.key());
            if (++c.at < c.run->order.size())
                std::push_heap(heap.begin(), heap.end(), later);
            else
                heap.pop_back();
        }
        // Rows whose keys are equal (names whose display texts are the same) are ordered by their raw names.
        for (std::size_t i = 0; i < order.size();) {
            std::size_t j = i + 1;
            while (j < order.size() && keys[j]->compare(*keys[i]) == 0)
                ++j;
            if (j - i > 1)
                std::sort(order.begin() + static_cast<std::ptrdiff_t>(i),
                    order.begin() + static_cast<std::ptrdiff_t>(j),
                    [&](std::size_t a, std::size_t b) { return rows[a].name < rows[b].name; });
            i = j;
        }
        return order;
    }

    std::vector<QString> m_pending;
    std::size_t m_added = 0; // rows handed over in runs so far
    std::vector<std::unique_ptr<Run>> m_runs;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Run*> m_queue; // guarded by m_mutex
    bool m_done = false; // guarded by m_mutex
    std::thread m_thread;
};

std::vector<DetailRow> reordered(std::vector<DetailRow>& rows, const std::vector<std::size_t>& order)
{
    std::vector<DetailRow> sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    return sorted;
}

} // namespace

QString modifiedtext(std::int64_t mtime)
{
    std::tm tm {};
    const auto t = static_cast<std::time_t>(mtime);
    int day = 0, month = 0, year = 0;
    if (gmtime_r(&t, &tm)) { // fails only for times beyond what the calendar fields hold: zeros then
        day = tm.tm_mday;
        month = tm.tm_mon + 1;
        year = tm.tm_year + 1900;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%02i/%02i/%04i %02i:%02i", day, month, year, tm.tm_hour, tm.tm_min);
    return QString::fromLatin1(text);
}

QString DetailRow::sizetext() const
{
    return detailkbtext(size);
}

QString DetailRow::spacetext() const
{
    return detailkbtext(space);
}

QString DetailRow::whatiftext() const
{
    return detailkbtext(whatif);
}

QString DetailRow::modifiedtext() const
{
    return qv::modifiedtext(mtime);
}

std::string groupdirectory(const dirrec& group)
{
    std::vector<std::string_view> names;
    for (const dirrec* r = group.parent; r; r = r->parent)
        names.push_back(r->name());
    if (names.empty())
        return {};
    std::string path(names.back());
    for (auto it = names.rbegin() + 1; it != names.rend(); ++it)
        path = joinpath(path, *it);
    return path;
}

std::string grouppattern(const dirrec& group)
{
    return joinpath(groupdirectory(group), group.name());
}

std::vector<DetailRow> detailrows(const dirrec& group, DirLister& lister, const DetailParams& params, std::FILE* diag)
{
    std::vector<DetailRow> rows;
    const std::string dir = groupdirectory(group);
    const std::string pattern = joinpath(dir, group.name());
    const std::unique_ptr<DirListing> listing = lister.open(dir);
    if (!listing) {
        std::fprintf(diag, "\ndirwalk function: can't open %s\n", pattern.c_str());
        return rows;
    }
    const double cluster = params.clustersize;
    const double whatifcluster = params.whatifkb * 1024.0;
    RowSorter sorter;
    DirEntry entry;
    while (listing->next(entry)) {
        if (entry.name == "." || entry.name == "..")
            continue;
        if (dir.size() + entry.name.size() + 2 > MaxPath) {
            const std::string name(entry.name);
            std::fprintf(diag, "\ndirwalk: name %s/%s too long\n", pattern.c_str(), name.c_str());
            continue;
        }
        if (entry.isdir || !ingroup(entry.name, group.name()))
            continue;
        DetailRow& row = rows.emplace_back();
        row.name.assign(entry.name);
        row.caption = caption(entry.name);
        row.size = entry.size;
        const double ondisc = entry.compressed && entry.ondisc >= 0 ? entry.ondisc : entry.size;
        row.space = clusterround(ondisc, cluster);
        row.whatif = clusterround(ondisc, whatifcluster);
        row.mtime = entry.mtime;
        row.stateimage = ColourOfSize(params.table, row.space);
        sorter.add(row.caption);
    }
    return reordered(rows, sorter.order(rows));
}

void sortrows(std::vector<DetailRow>& rows)
{
    RowSorter sorter;
    for (const DetailRow& row : rows)
        sorter.add(row.caption);
    rows = reordered(rows, sorter.order(rows));
}

} // namespace qv
