#pragma once

// A lister for what a test machine can't make, such as a compressed file or a path past the length limit.
#include "DirLister.h"

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

} // namespace qv::test
