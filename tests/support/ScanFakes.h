#pragma once

// The scan's other seams: a volume query with a fixed answer, and a sink that records the status texts.
#include "ScanSink.h"
#include "VolumeQuery.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qv::test {

class FakeVolumes : public VolumeQuery
{
public:
    VolumeInfo answer;
    VolumeInfo query(const std::string& path) override
    {
        std::lock_guard guard(m_lock);
        m_asked.push_back(path);
        return answer;
    }
    std::vector<std::string> asked() const
    {
        std::lock_guard guard(m_lock);
        return m_asked;
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_asked;
};

// Status texts in the order the scan posted them; any thread may read them meanwhile.
class RecordingSink : public ScanSink
{
public:
    std::function<void(const std::string&)> hook; // runs on the scan's thread after each text is recorded
    void status(const std::string& text) override
    {
        {
            std::lock_guard guard(m_lock);
            m_texts.push_back(text);
        }
        m_changed.notify_all();
        if (hook)
            hook(text);
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard guard(m_lock);
        return m_texts;
    }
    std::size_t count() const
    {
        std::lock_guard guard(m_lock);
        return m_texts.size();
    }
    // Returns once n texts have come, without running events.
    void waitfor(std::size_t n) const
    {
        std::unique_lock guard(m_lock);
        m_changed.wait(guard, [&] { return m_texts.size() >= n; });
    }

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_texts;
};

} // namespace qv::test
