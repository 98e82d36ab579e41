#include "StatusMailbox.h"

namespace qv {

std::uint64_t StatusMailbox::open()
{
    std::lock_guard guard(m_lock);
    m_ticket = ++m_last;
    m_text.reset();
    return m_ticket;
}

void StatusMailbox::close()
{
    std::lock_guard guard(m_lock);
    m_ticket = 0;
    m_text.reset();
}

void StatusMailbox::post(std::uint64_t ticket, std::string text)
{
    std::lock_guard guard(m_lock);
    if (ticket != 0 && ticket == m_ticket)
        m_text = std::move(text);
}

std::optional<std::string> StatusMailbox::take()
{
    std::lock_guard guard(m_lock);
    std::optional<std::string> text;
    text.swap(m_text);
    return text;
}

} // namespace qv
