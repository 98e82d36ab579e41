// Fakes for the scan thread's tests: an in-memory directory tree whose listings can be held at a gate
// (to keep a scan running for as long as a test needs), a volume query with fixed answers, and a display
// that records its calls. Shared by the scan thread's and the main window's tests.
#pragma once

#include "DirLister.h"
#include "QVMakeTree.h"
#include "VolumeQuery.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qvtest {

class FakeFiles
{
public:
    struct Entry
    {
        std::string name;
        bool isdir = false;
        double size = 0;
    };

    // Adds a directory (and its parents) and a file of the given size.
    void dir(const std::string& path)
    {
        std::lock_guard guard(m_lock);
        adddir(path);
    }
    void file(const std::string& path, double size)
    {
        std::lock_guard guard(m_lock);
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        adddir(parent);
        m_dirs[parent].push_back({ path.substr(slash + 1), false, size });
    }
    // A listing of path waits at this gate until the gates are opened, or, when given, until stop is
    // set (a slow directory the walk leaves as soon as it is stopped).
    void gate(const std::string& path, const std::atomic<std::int32_t>* stop = nullptr)
    {
        std::lock_guard guard(m_lock);
        m_gates[path] = stop;
    }
    void opengates()
    {
        {
            std::lock_guard guard(m_lock);
            m_open = true;
        }
        m_changed.notify_all();
    }
    // Whether the scan may have workers list ahead of its walker. Off, the walker lists every directory
    // itself, so a gate holds the walk itself (and no worker outlives the files).
    bool readahead = true;

    // True once a listing waits at a gate.
    bool held() const { return holding() > 0; }
    int holding() const
    {
        std::lock_guard guard(m_lock);
        return m_held;
    }
    // Listings being made right now, held at a gate or not.
    int busy() const
    {
        std::lock_guard guard(m_lock);
        return m_busy;
    }
    // The paths listed so far, in order.
    std::vector<std::string> opened() const
    {
        std::lock_guard guard(m_lock);
        return m_opened;
    }

    std::unique_ptr<qv::DirLister> lister() { return std::make_unique<Lister>(*this); }

private:
    class Listing : public qv::DirListing
    {
    public:
        explicit Listing(std::vector<Entry> entries)
            : m_entries(std::move(entries))
        {
        }
        bool next(qv::DirEntry& e) override
        {
            if (m_at >= m_entries.size())
                return false;
            const Entry& x = m_entries[m_at++];
            e = qv::DirEntry {};
            e.name = x.name;
            e.isdir = x.isdir;
            e.size = x.size;
            return true;
        }

    private:
        std::vector<Entry> m_entries;
        std::size_t m_at = 0;
    };

    class Lister : public qv::DirLister
    {
    public:
        explicit Lister(FakeFiles& files)
            : m_files(files)
        {
        }
        std::unique_ptr<qv::DirListing> open(const std::string& path) override { return m_files.open(path); }
        std::unique_ptr<qv::DirLister> another() override
        {
            return m_files.readahead ? std::make_unique<Lister>(m_files) : nullptr;
        }

    private:
        FakeFiles& m_files;
    };

    std::unique_ptr<qv::DirListing> open(const std::string& path)
    {
        std::unique_lock guard(m_lock);
        ++m_busy;
        struct Leave
        {
            int& busy;
            ~Leave() { --busy; } // still under the lock
        } leave { m_busy };
        m_opened.push_back(path);
        if (const auto gate = m_gates.find(path); gate != m_gates.end()) {
            const std::atomic<std::int32_t>* stop = gate->second;
            ++m_held;
            while (!m_open && !(stop && *stop))
                m_changed.wait_for(guard, std::chrono::milliseconds(1));
            --m_held;
        }
        const auto it = m_dirs.find(path);
        if (it == m_dirs.end())
            return nullptr;
        std::vector<Entry> entries { { ".", true, 0 }, { "..", true, 0 } };
        entries.insert(entries.end(), it->second.begin(), it->second.end());
        return std::make_unique<Listing>(std::move(entries));
    }

    void adddir(const std::string& path)
    {
        if (m_dirs.count(path))
            return;
        m_dirs[path];
        if (path == "/")
            return;
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        adddir(parent);
        m_dirs[parent].push_back({ path.substr(slash + 1), true, 0 });
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<std::string, std::vector<Entry>> m_dirs;
    std::map<std::string, const std::atomic<std::int32_t>*> m_gates;
    std::vector<std::string> m_opened;
    bool m_open = false;
    int m_held = 0;
    int m_busy = 0;
};

class FakeVolumes : public qv::VolumeQuery
{
public:
    qv::VolumeInfo answer;
    qv::VolumeInfo query(const std::string& path) override
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

// Status texts in the order the scan posted them.
class RecordingSink : public qv::ScanSink
{
public:
    std::function<void(const std::string&)> hook; // runs on the scan thread after each text
    void status(const std::string& text) override
    {
        {
            std::lock_guard guard(m_lock);
            m_texts.push_back(text);
        }
        if (hook)
            hook(text);
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard guard(m_lock);
        return m_texts;
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
};

} // namespace qvtest
