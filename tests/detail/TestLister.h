#pragma once

// Listers for the detail tests: a small real one over opendir/fstatat (the detail list needs only names,
// kinds, sizes and times), and a fake for what a test machine can't make, such as a compressed file.
#include "DirLister.h"

#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace qv::test {

class StatListing : public DirListing
{
public:
    explicit StatListing(DIR* dir)
        : m_dir(dir)
    {
    }
    ~StatListing() override { closedir(m_dir); }
    bool next(DirEntry& entry) override
    {
        while (const dirent* d = readdir(m_dir)) {
            struct stat st;
            if (fstatat(dirfd(m_dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            m_name = d->d_name;
            entry = DirEntry {};
            entry.name = m_name;
            entry.isdir = S_ISDIR(st.st_mode);
            entry.size = static_cast<double>(st.st_size);
            entry.mtime = st.st_mtim.tv_sec;
            return true;
        }
        return false;
    }

private:
    DIR* m_dir;
    std::string m_name;
};

class StatLister : public DirLister
{
public:
    std::unique_ptr<DirListing> open(const std::string& path) override
    {
        opened.push_back(path);
        DIR* dir = opendir(path.c_str());
        return dir ? std::make_unique<StatListing>(dir) : nullptr;
    }
    std::vector<std::string> opened;
};

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
