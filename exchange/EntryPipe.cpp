#include "EntryPipe.h"

#include <algorithm>

namespace qv {

EntryPipe::EntryPipe()
    : m_filling(std::make_unique<Batch>())
{
    m_filling->events.reserve(BatchEvents);
}

EntryPipe::~EntryPipe() = default;

ExportVisitor::Step EntryPipe::Sender::header(const ExportHeader& header)
{
    if (m_pipe.m_stopped.load(std::memory_order_relaxed))
        return Stop;
    m_pipe.m_filling->header = header;
    return m_pipe.add(Event::Header, nullptr);
}

ExportVisitor::Step EntryPipe::add(Event::Kind kind, const ExportEntry* entry)
{
    if (m_stopped.load(std::memory_order_relaxed))
        return ExportVisitor::Stop;
    Batch& b = *m_filling;
    Event& e = b.events.emplace_back();
    e.kind = kind;
    e.nameat = static_cast<std::uint32_t>(b.names.size());
    e.namesize = 0;
    if (entry) {
        e.entry = *entry;
        e.namesize = static_cast<std::uint32_t>(entry->name.size());
        b.names.append(entry->name);
    }
    if (b.events.size() == BatchEvents && !send())
        return ExportVisitor::Stop;
    return ExportVisitor::Continue;
}

bool EntryPipe::send()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return m_queue.size() < MaxQueued || m_stopped.load(); });
    if (m_stopped.load())
        return false;
    m_queue.push_back(std::move(m_filling));
    if (m_spare.empty()) {
        m_filling = std::make_unique<Batch>();
        m_filling->events.reserve(BatchEvents);
    } else {
        m_filling = std::move(m_spare.back());
        m_spare.pop_back();
    }
    m_changed.notify_all();
    return true;
}

void EntryPipe::finish(const ExportResult& result)
{
    if (!m_filling->events.empty())
        send();
    std::lock_guard lock(m_lock);
    m_finished = true;
    m_result = result;
    m_changed.notify_all();
}

std::unique_ptr<EntryPipe::Batch> EntryPipe::take()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return !m_queue.empty() || m_finished; });
    if (m_queue.empty())
        return nullptr;
    std::unique_ptr<Batch> b = std::move(m_queue.front());
    m_queue.erase(m_queue.begin());
    m_changed.notify_all();
    return b;
}

void EntryPipe::recycle(std::unique_ptr<Batch> batch)
{
    batch->clear();
    std::lock_guard lock(m_lock);
    m_spare.push_back(std::move(batch));
}

void EntryPipe::stop()
{
    std::lock_guard lock(m_lock);
    m_stopped = true;
    m_changed.notify_all();
}

ExportResult EntryPipe::deliver(ExportVisitor& visitor)
{
    int depth = 0; // of directories entered
    int skipped = -1; // depth of the directory whose contents are skipped
    while (std::unique_ptr<Batch> b = take()) {
        for (Event& e : b->events) {
            e.entry.name = std::string_view(b->names.data() + e.nameat, e.namesize);
            ExportVisitor::Step step = ExportVisitor::Continue;
            switch (e.kind) {
            case Event::Header:
                step = visitor.header(*b->header);
                break;
            case Event::Enter:
                ++depth;
                if (skipped < 0) {
                    step = visitor.enter(e.entry);
                    if (step == ExportVisitor::Skip)
                        skipped = depth;
                }
                break;
            case Event::File:
                if (skipped < 0)
                    step = visitor.file(e.entry);
                break;
            case Event::Leave:
                if (skipped == depth)
                    skipped = -1; // the skipped directory's leave() goes with its contents
                else if (skipped < 0)
                    step = visitor.leave();
                --depth;
                break;
            }
            if (step == ExportVisitor::Stop) {
                stop();
                ExportResult stopped;
                stopped.ok = stopped.stopped = true;
                return stopped;
            }
        }
        recycle(std::move(b));
    }
    std::lock_guard lock(m_lock);
    return m_result;
}

} // namespace qv
