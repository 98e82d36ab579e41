#pragma once

#include "ExportReader.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// Carries an export's entries from the thread that parses the file to the thread that takes them, in
// batches, so that parsing and record making run on two cores. The parsing side is a visitor that queues
// what it is handed and answers Continue (Stop once the taking side has stopped); the taking side hands
// the entries on to the real visitor in order, and does its Skip itself. At most a few batches are ever
// queued: memory does not grow with the file.
class EntryPipe
{
public:
    EntryPipe();
    ~EntryPipe();
    EntryPipe(const EntryPipe&) = delete;
    EntryPipe& operator=(const EntryPipe&) = delete;

    // The parsing thread's visitor.
    ExportVisitor& sender() { return m_sender; }
    // The parsing thread's last call: how its read ended.
    void finish(const ExportResult& result);

    // Hands every entry sent to visitor as the sender was handed them, then returns how the read ended:
    // stopped (and ok) as soon as visitor says Stop.
    ExportResult deliver(ExportVisitor& visitor);

private:
    struct Event
    {
        enum Kind : std::uint8_t { Header, Enter, File, Leave } kind;
        std::uint32_t nameat; // in the batch's names
        std::uint32_t namesize;
        ExportEntry entry; // its name is set when it is delivered
    };
    struct Batch
    {
        std::vector<Event> events;
        std::string names;
        std::optional<ExportHeader> header;
        void clear()
        {
            events.clear();
            names.clear();
            header.reset();
        }
    };
    class Sender final : public ExportVisitor
    {
    public:
        explicit Sender(EntryPipe& pipe)
            : m_pipe(pipe)
        {
        }
        Step header(const ExportHeader& header) override;
        Step enter(const ExportEntry& dir) override { return m_pipe.add(Event::Enter, &dir); }
        Step file(const ExportEntry& file) override { return m_pipe.add(Event::File, &file); }
        Step leave() override { return m_pipe.add(Event::Leave, nullptr); }

    private:
        EntryPipe& m_pipe;
    };

    static constexpr std::size_t BatchEvents = 4096;
    static constexpr std::size_t MaxQueued = 4;

    ExportVisitor::Step add(Event::Kind kind, const ExportEntry* entry);
    // Queues the batch being filled and takes an empty one; false once the taking side has stopped.
    bool send();
    std::unique_ptr<Batch> take(); // nullptr at the end
    void recycle(std::unique_ptr<Batch> batch);
    void stop();

    Sender m_sender { *this };
    std::unique_ptr<Batch> m_filling; // the parsing thread's alone
    std::atomic<bool> m_stopped { false };

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Batch>> m_queue; // in order, oldest first
    std::vector<std::unique_ptr<Batch>> m_spare;
    bool m_finished = false;
    ExportResult m_result;
};

} // namespace qv
