#pragma once

// Helpers of the walker tests: a recording sink, a scripted lister, and one walk with its scan values.
#include "DiagStream.h"
#include "DirLister.h"
#include "Records.h"
#include "ScanSink.h"
#include "Walker.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct RecordingSink : qv::ScanSink
{
    std::vector<std::string> texts;
    std::function<void(const std::string&)> hook; // runs after each text is recorded
    void status(const std::string& text) override
    {
        texts.push_back(text);
        if (hook)
            hook(text);
    }
};

// A lister that gives scripted listings in the order given, for what a real file system can't be made
// to do in a test (a compressed file, an exact listing order).
class FakeLister : public qv::DirLister
{
public:
    struct Item
    {
        std::string name;
        bool isdir = false;
        double size = 0;
        bool compressed = false;
        double ondisc = -1;
        bool mountpoint = false;
    };
    static Item dir(std::string name) { return { std::move(name), true }; }
    static Item file(std::string name, double size) { return { std::move(name), false, size }; }

    FakeLister() = default;
    FakeLister(const FakeLister& other)
        : dirs(other.dirs)
    {
    }

    std::map<std::string, std::vector<Item>> dirs; // a path missing here can't be listed
    // Runs before the listing of path gives its entry number index (counting "." and ".."). A lister with
    // a hook lists on the walker's thread only: the hook sees the walker's pace.
    std::function<void(const std::string& path, std::size_t index)> onnext;
    std::atomic<int> live = 0; // listings not yet ended, of this lister and those from another()
    std::atomic<int> opened = 0;

    std::unique_ptr<qv::DirListing> open(const std::string& path) override
    {
        auto it = dirs.find(path);
        if (it == dirs.end())
            return nullptr;
        ++opened;
        return std::make_unique<Listing>(*this, path, it->second);
    }
    std::unique_ptr<qv::DirLister> another() override { return onnext ? nullptr : std::make_unique<Twin>(*this); }

private:
    // Lists the same directories from another thread; the owner's directories must not change meanwhile.
    class Twin : public qv::DirLister
    {
    public:
        explicit Twin(FakeLister& owner)
            : m_owner(owner)
        {
        }
        std::unique_ptr<qv::DirListing> open(const std::string& path) override { return m_owner.open(path); }

    private:
        FakeLister& m_owner;
    };

    class Listing : public qv::DirListing
    {
    public:
        Listing(FakeLister& owner, std::string path, const std::vector<Item>& items)
            : m_owner(owner)
            , m_path(std::move(path))
            , m_items(items)
        {
            m_items.insert(m_items.begin(), { dir("."), dir("..") });
            ++m_owner.live;
        }
        ~Listing() override { --m_owner.live; }
        bool next(qv::DirEntry& e) override
        {
            if (m_pos >= m_items.size())
                return false;
            if (m_owner.onnext)
                m_owner.onnext(m_path, m_pos);
            const Item& item = m_items[m_pos++];
            e = qv::DirEntry {};
            e.name = item.name;
            e.isdir = item.isdir;
            e.mountpoint = item.mountpoint;
            e.compressed = item.compressed;
            e.size = item.size;
            e.ondisc = item.ondisc;
            return true;
        }

    private:
        FakeLister& m_owner;
        std::string m_path;
        std::vector<Item> m_items;
        std::size_t m_pos = 0;
    };
};

// One scan: its records, flags, sink and diagnostics. Workers read ahead whatever the machine (readahead 0:
// the walker lists alone).
struct Walk
{
    qv::RecordArena arena;
    std::atomic<std::int32_t> scanabort { 0 };
    std::atomic<std::int32_t> whatifkb { 4 };
    RecordingSink sink;
    DiagStream diag;
    qv::dirrec* root = nullptr;
    int readahead = 3;

    qv::dirrec* run(qv::DirLister& lister, const std::string& path, std::uint32_t clustersize = 4096)
    {
        root = arena.make(path, qv::KindDirectory);
        qv::WalkContext ctx { arena, lister, sink, scanabort, clustersize, whatifkb, diag.file(), readahead };
        qv::dirwalk(ctx, root, path);
        return root;
    }
};

inline const qv::dirrec* child(const qv::dirrec* r, std::string_view name)
{
    for (const qv::dirrec* c = r->child; c; c = c->next)
        if (c->name() == name)
            return c;
    return nullptr;
}

inline std::vector<std::string> childnames(const qv::dirrec* r)
{
    std::vector<std::string> names;
    for (const qv::dirrec* c = r->child; c; c = c->next)
        names.emplace_back(c->name());
    return names;
}
