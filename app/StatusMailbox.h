#pragma once

#include "ScanSink.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace qv {

// Hands the scan thread's status texts to the GUI thread without the scan ever waiting for the GUI:
// the scan posts, the GUI takes the latest text at its next repaint tick, so what the user sees are the
// scan's texts in their order at the screen's rate. Every scan posts under its own ticket; closing the
// box (the stop button) drops every later text of that scan. Thread-safe.
class StatusMailbox
{
public:
    // Opens the box for a new scan and drops any text not taken yet. Returns that scan's ticket.
    std::uint64_t open();
    // Drops the text not taken yet and every text posted later under the current ticket.
    void close();
    // Scan thread: the latest text of the scan with this ticket; ignored once that ticket is closed.
    void post(std::uint64_t ticket, std::string text);
    // GUI thread: the latest text posted since the last take, if any. Raw bytes.
    std::optional<std::string> take();

    // A sink that posts under one ticket.
    class Sink : public ScanSink
    {
    public:
        Sink(StatusMailbox& box, std::uint64_t ticket)
            : m_box(box)
            , m_ticket(ticket)
        {
        }
        void status(const std::string& text) override { m_box.post(m_ticket, text); }
        std::uint64_t ticket() const { return m_ticket; }

    private:
        StatusMailbox& m_box;
        std::uint64_t m_ticket;
    };

private:
    std::mutex m_lock;
    std::uint64_t m_ticket = 0; // the open ticket; 0 when closed
    std::uint64_t m_last = 0; // the last ticket handed out
    std::optional<std::string> m_text;
};

} // namespace qv
