#include "RowSorter.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <system_error>

namespace qv {

void RowSorter::add(const QString& caption)
{
    m_pending.push_back(caption);
    if (m_pending.size() == Batch)
        hand();
}

std::vector<std::size_t> RowSorter::order(const std::vector<DetailRow>& rows)
{
    if (!m_pending.empty()) {
        // The last run is sorted here while the worker finishes the others.
        m_runs.push_back(std::make_unique<Run>(m_added, std::move(m_pending)));
        m_pending.clear();
        m_added += m_runs.back()->captions.size();
        sortrun(*m_runs.back());
    }
    stop();
    return merge(rows);
}

void RowSorter::sortrun(Run& run)
{
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates)); // one per thread
    collator.setCaseSensitivity(Qt::CaseSensitive);
    run.keys.reserve(run.captions.size());
    for (const QString& c : run.captions)
        run.keys.push_back(collator.sortKey(c));
    run.order.resize(run.captions.size());
    std::iota(run.order.begin(), run.order.end(), 0u);
    std::sort(run.order.begin(), run.order.end(),
        [&](std::uint32_t a, std::uint32_t b) { return run.keys[a].compare(run.keys[b]) < 0; });
}

void RowSorter::hand()
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

void RowSorter::work()
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

void RowSorter::stop()
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

std::vector<std::size_t> RowSorter::merge(const std::vector<DetailRow>& rows) const
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
            std::sort(order.begin() + static_cast<std::ptrdiff_t>(i), order.begin() + static_cast<std::ptrdiff_t>(j),
                [&](std::size_t a, std::size_t b) { return rows[a].name < rows[b].name; });
        i = j;
    }
    return order;
}

void sortrows(std::vector<DetailRow>& rows, RowSorter& sorter)
{
    const std::vector<std::size_t> order = sorter.order(rows);
    std::vector<DetailRow> sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

void sortrows(std::vector<DetailRow>& rows)
{
    RowSorter sorter;
    for (const DetailRow& row : rows)
        sorter.add(row.caption);
    sortrows(rows, sorter);
}

} // namespace qv
