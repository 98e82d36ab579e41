#pragma once

// A lister for what a test machine can't make, such as a compressed file or a path past the length limit.
#include "DirLister.h"
#include "Gate.h"

#include <atomic>
#include <map>
#include <string>
#include <vector>

namespace qv::test {

// Lists fixed entries for any path in its map; other paths cannot be opened.
class FakeLister : public DirLister
{
public:
    struct Entry
    {
        std::string name;
        bool isdir = false;
        bool compressed = false;
        double size = 0;
        double ondisc = -1;
        std::int64_t mtime = 0;
    };
    std::map<std::string, std::vector<Entry>> dirs;
    std::vector<std::string> opened;

    std::unique_ptr<DirListing> open(const std::string& path) override
    {
        opened.push_back(path);
        auto it = dirs.find(path);
        if (it == dirs.end())
            return nullptr;
        return std::make_unique<Listing>(it->second);
    }

private:
    class Listing : public DirListing
    {
    public:
        explicit Listing(const std::vector<Entry>& entries)
            : m_entries(entries)
        {
        }
        bool next(DirEntry& entry) override
        {
            if (m_next == m_entries.size())
                return false;
            const Entry& e = m_entries[m_next++];
            entry = DirEntry {};
            entry.name = e.name;
            entry.isdir = e.isdir;
            entry.compressed = e.compressed;
            entry.size = e.size;
            entry.ondisc = e.ondisc;
            entry.mtime = e.mtime;
            return true;
        }

    private:
        const std::vector<Entry>& m_entries;
        std::size_t m_next = 0;
    };
};

// Opens every directory through inner once gate is open: a directory that does not answer until then.
// Counts the listers gone (done) so a test knows when a held read has come back.
class GatedLister : public DirLister
{
public:
    GatedLister(std::shared_ptr<Gate> gate, std::unique_ptr<DirLister> inner, std::shared_ptr<std::atomic<int>> done)
        : m_gate(std::move(gate))
        , m_inner(std::move(inner))
        , m_done(std::move(done))
    {
    }
    ~GatedLister() override { ++*m_done; }
    std::unique_ptr<DirListing> open(const std::string& path) override
    {
        m_gate->wait();
        return m_inner->open(path);
    }
    std::unique_ptr<DirListing> openbelow(const std::string& root, const std::string& path) override
    {
        m_gate->wait();
        return m_inner->openbelow(root, path);
    }

private:
    std::shared_ptr<Gate> m_gate;
    std::unique_ptr<DirLister> m_inner;
    std::shared_ptr<std::atomic<int>> m_done;
};

} // namespace qv::test
