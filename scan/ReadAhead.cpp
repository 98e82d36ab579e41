#include "ReadAhead.h"

#include "PathJoin.h"
#include "ScanRules.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sched.h>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace qv {
namespace {

// Listings read ahead and not yet taken by the walker: at most this many, and about this many bytes.
constexpr std::size_t MaxReady = 512;
constexpr std::size_t MaxReadyBytes = 16u << 20;
// How often a walker waiting for a worker's listing looks at the abort flag.
constexpr auto AbortPoll = std::chrono::milliseconds(2);
// How long the end of a walk waits for workers that are still inside a listing call.
constexpr auto StopGrace = std::chrono::milliseconds(30);

struct Entry
{
    std::uint32_t offset; // of the name in Listed::names
    std::uint32_t length;
    bool isdir;
    bool mountpoint;
    bool compressed;
    double size;
    double ondisc;
    std::int64_t mtime;
};

// One directory's listing, read to its end.
struct Listed
{
    std::string names;
    std::vector<Entry> entries;
    bool failed = false; // the directory could not be listed

    std::size_t bytes() const { return sizeof(Listed) + names.capacity() + entries.capacity() * sizeof(Entry); }
    void add(const DirEntry& e)
    {
        entries.push_back({ static_cast<std::uint32_t>(names.size()), static_cast<std::uint32_t>(e.name.size()),
            e.isdir, e.mountpoint, e.compressed, e.size, e.ondisc, e.mtime });
        names.append(e.name);
    }
};

class ListedListing final : public DirListing
{
public:
    explicit ListedListing(std::unique_ptr<Listed> listed)
        : m_listed(std::move(listed))
    {
    }
    bool next(DirEntry& e) override
    {
        if (m_pos >= m_listed->entries.size())
            return false;
        const Entry& x = m_listed->entries[m_pos++];
        e = DirEntry {};
        e.name = std::string_view(m_listed->names).substr(x.offset, x.length);
        e.isdir = x.isdir;
        e.mountpoint = x.mountpoint;
        e.compressed = x.compressed;
        e.size = x.size;
        e.ondisc = x.ondisc;
        e.mtime = x.mtime;
        return true;
    }

private:
    std::unique_ptr<Listed> m_listed;
    std::size_t m_pos = 0;
};

// The position of a directory in the walk's order: the index of each directory on the way down among
// its parent's subdirectories, four bytes each, most significant first, so that comparing keys as byte
// strings orders directories as a depth-first walk enters them.
std::string childkey(const std::string& parent, std::uint32_t index)
{
    std::string key = parent;
    for (int shift = 24; shift >= 0; shift -= 8)
        key.push_back(static_cast<char>((index >> shift) & 0xff));
    return key;
}

} // namespace

int readaheadworkers()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    const int cores = ::sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : 1;
    // More readers than cores: while one waits for the disc another lists from the cache.
    return cores > 1 ? 2 * cores : 0;
}

// Reads directories through one lister. The listing read last stays open until the next has been opened,
// so that a subdirectory read next opens relative to it.
class ReadAhead::Reader
{
public:
    explicit Reader(DirLister& lister)
        : m_lister(lister)
    {
    }
    // Reads the directory at path, a subdirectory of parent when that is given.
    template <typename Stop> std::unique_ptr<Listed> read(const std::string& path, const DirHandle* parent, Stop stop)
    {
        return drain(m_lister.openin(parent, path), stop);
    }
    template <typename Stop> std::unique_ptr<Listed> drain(std::unique_ptr<DirListing> listing, Stop stop)
    {
        auto listed = std::make_unique<Listed>();
        m_last = std::move(listing);
        if (!m_last) {
            listed->failed = true;
            return listed;
        }
        const DirListing::Size size = m_last->remaining();
        listed->entries.reserve(size.entries);
        listed->names.reserve(size.namebytes);
        DirEntry e;
        while (!stop() && m_last->next(e))
            listed->add(e);
        return listed;
    }
    void close() { m_last.reset(); }
    // The directory read last, kept open for its subdirectories, when the lister can.
    std::shared_ptr<const DirHandle> keepopen() { return m_last ? m_last->keepopen() : nullptr; }

private:
    DirLister& m_lister;
    std::unique_ptr<DirListing> m_last;
};

struct ReadAhead::State
{
    enum Phase { Pending, Reading, Ready };
    struct Item
    {
        std::string key;
        std::string path;
        Phase phase = Pending;
        bool published = false; // its subdirectories are items
        bool dropped = false; // the walker went past it while a worker read it
        std::shared_ptr<const DirHandle> parent; // its parent, held open until it is first read
        std::unique_ptr<Listed> listed;
    };
    struct ByKey
    {
        bool operator()(const Item* a, const Item* b) const { return a->key < b->key; }
    };

    std::mutex lock;
    std::condition_variable work; // workers wait here for directories to read
    std::condition_variable done; // the walker waits here for listings, the walk's end for the workers
    std::unordered_map<std::string, std::unique_ptr<Item>> items; // by path
    std::set<Item*, ByKey> pending;
    std::set<Item*, ByKey> reading;
    std::set<Item*, ByKey> ready;
    std::size_t readybytes = 0;
    const Item* awaited = nullptr; // the listing the walker waits for
    std::atomic<bool> stopping { false };
    int running = 0; // worker threads not yet ended

    using Children = std::vector<std::unique_ptr<Item>>;

    // The subdirectories of the directory at path (whose key is key), listed as listed, as items, to be
    // opened relative to the directory when reader can keep it open. Needs no lock: made before taking
    // it, so that the other threads wait for the insertion only.
    static Children children(const std::string& key, const std::string& path, const Listed& listed, Reader& reader)
    {
        Children made;
        std::shared_ptr<const DirHandle> parent;
        std::uint32_t index = 0;
        for (const Entry& e : listed.entries) {
            const std::string_view name = std::string_view(listed.names).substr(e.offset, e.length);
            if (!entered(path, name, e.isdir, e.mountpoint))
                continue;
            auto item = std::make_unique<Item>();
            item->key = childkey(key, index++);
            item->path = joinpath(path, name);
            if (made.empty())
                parent = reader.keepopen();
            item->parent = parent;
            made.push_back(std::move(item));
        }
        return made;
    }

    // Children become items to read.
    void publish(Children children)
    {
        std::size_t added = 0;
        for (std::unique_ptr<Item>& item : children) {
            Item* raw = item.get();
            if (items.try_emplace(raw->path, std::move(item)).second) {
                pending.insert(raw);
                ++added;
            }
        }
        // Wake no more workers than there is work for: on few cores every needless wake-up costs a switch.
        if (added == 1)
            work.notify_one();
        else if (added > 1)
            work.notify_all();
    }

    // The nearest directory nobody reads yet, when there is room for its listing (or it is nearer than
    // the farthest listing waiting, which then gives way).
    Item* take()
    {
        if (pending.empty())
            return nullptr;
        Item* first = *pending.begin();
        const bool room = ready.size() + reading.size() < MaxReady && readybytes < MaxReadyBytes;
        if (!room && (ready.empty() || !ByKey()(first, *ready.rbegin())))
            return nullptr;
        pending.erase(pending.begin());
        first->phase = Reading;
        reading.insert(first);
        return first;
    }

    void forget(Item* item)
    {
        pending.erase(item);
        reading.erase(item);
        if (ready.erase(item))
            readybytes -= item->listed->bytes();
        items.erase(items.find(item->path));
    }

    // A worker has read item; children are its subdirectories when they are to be published.
    void finish(Item* item, std::unique_ptr<Listed> listed, Children children)
    {
        reading.erase(item);
        if (item->dropped || stopping) {
            forget(item);
            done.notify_all();
            return;
        }
        if (!item->published && !listed->failed)
            publish(std::move(children));
        item->published = true;
        readybytes += listed->bytes();
        item->listed = std::move(listed);
        item->phase = Ready;
        ready.insert(item);
        // Over the bounds: the listings farthest from the walker go back to be read again later.
        while ((ready.size() > MaxReady || readybytes > MaxReadyBytes) && *ready.rbegin() != item) {
            Item* last = *ready.rbegin();
            ready.erase(last);
            readybytes -= last->listed->bytes();
            last->listed.reset();
            last->phase = Pending;
            pending.insert(last);
        }
        if (item == awaited) // a wake-up for another listing would only cost the walker a switch
            done.notify_all();
    }

    // The walker is at the directory of key: every directory before it in the walk's order is behind it.
    void passto(const std::string& key)
    {
        auto before = [&](const std::set<Item*, ByKey>& set) {
            return !set.empty() && (*set.begin())->key < key ? *set.begin() : nullptr;
        };
        while (Item* item = before(pending))
            forget(item);
        while (Item* item = before(ready))
            forget(item);
        for (Item* item : reading)
            if (item->key < key)
                item->dropped = true;
    }

    // A worker thread's life: reads what take() gives until the walk ends.
    static void serve(std::shared_ptr<State> state, std::unique_ptr<DirLister> lister);
};

void ReadAhead::State::serve(std::shared_ptr<State> state, std::unique_ptr<DirLister> lister)
{
    {
        Reader reader(*lister);
        auto stop = [&] { return state->stopping.load(std::memory_order_relaxed); };
        std::unique_lock guard(state->lock);
        while (!state->stopping) {
            Item* item = state->take();
            if (!item) {
                reader.close(); // an idle worker holds no directory open
                state->work.wait(guard);
                continue;
            }
            // While it is read, nobody else changes or frees the item.
            const std::string& path = item->path;
            const bool publishing = !item->published;
            std::shared_ptr<const DirHandle> parent = std::move(item->parent);
            guard.unlock();
            std::unique_ptr<Listed> listed = reader.read(path, parent.get(), stop);
            parent.reset(); // the last one closes the directory: not under the lock
            Children subdirs = publishing && !listed->failed ? children(item->key, path, *listed, reader) : Children();
            guard.lock();
            state->finish(item, std::move(listed), std::move(subdirs));
        }
    }
    lister.reset();
    std::lock_guard guard(state->lock);
    --state->running;
    state->done.notify_all();
}

ReadAhead::ReadAhead(DirLister& own, int workers, const std::atomic<std::int32_t>& scanabort)
    : m_own(own)
    , m_workers(workers)
    , m_scanabort(scanabort)
    , m_state(std::make_shared<State>())
    , m_reader(std::make_unique<Reader>(own))
{
}

ReadAhead::~ReadAhead()
{
    std::unique_lock guard(m_state->lock);
    m_state->stopping = true;
    m_state->work.notify_all();
    m_state->done.wait_for(guard, StopGrace, [&] { return m_state->running == 0; });
    // The directories held open for subdirectories nobody reads now close with the walk, not with the
    // last worker (which a dead file system may keep for good).
    for (auto& [path, item] : m_state->items)
        item->parent.reset();
    guard.unlock();
    m_reader->close();
}

// The walk's root: listed by the walker's lister, which then knows the root for the workers' listers.
std::unique_ptr<DirListing> ReadAhead::first(const std::string& path)
{
    m_started = true;
    std::unique_ptr<DirListing> listing = m_own.open(path);
    int started = 0;
    for (; started < m_workers; ++started) {
        std::unique_ptr<DirLister> lister = m_own.another();
        if (!lister)
            break;
        {
            std::lock_guard guard(m_state->lock);
            ++m_state->running;
        }
        std::thread(&State::serve, m_state, std::move(lister)).detach();
    }
    m_direct = started == 0;
    if (m_direct || !listing)
        return listing;
    std::unique_ptr<Listed> listed = m_reader->drain(std::move(listing), [&] { return m_scanabort.load() != 0; });
    State::Children subdirs = State::children({}, path, *listed, *m_reader);
    std::lock_guard guard(m_state->lock);
    m_state->publish(std::move(subdirs));
    return std::make_unique<ListedListing>(std::move(listed));
}

std::unique_ptr<DirListing> ReadAhead::readown(
    const std::string& path, const DirHandle* parent, const std::string& key, bool known)
{
    std::unique_ptr<Listed> listed = m_reader->read(path, parent, [&] { return m_scanabort.load() != 0; });
    if (listed->failed)
        return nullptr;
    if (!known) {
        State::Children subdirs = State::children(key, path, *listed, *m_reader);
        std::lock_guard guard(m_state->lock);
        m_state->publish(std::move(subdirs));
    }
    return std::make_unique<ListedListing>(std::move(listed));
}

std::unique_ptr<DirListing> ReadAhead::open(const std::string& path)
{
    if (!m_started)
        return first(path);
    if (m_direct)
        return m_own.open(path);

    std::unique_lock guard(m_state->lock);
    State& s = *m_state;
    const auto at = s.items.find(path);
    if (at == s.items.end() || at->second->dropped) {
        // Not a subdirectory of a listing read here (the tree changed under the walk): no read-ahead below.
        guard.unlock();
        std::unique_ptr<Listed> listed = m_reader->read(path, nullptr, [&] { return m_scanabort.load() != 0; });
        return listed->failed ? nullptr : std::make_unique<ListedListing>(std::move(listed));
    }
    State::Item* item = at->second.get();
    s.passto(item->key);
    for (;;) {
        if (item->phase == State::Ready) {
            std::unique_ptr<Listed> listed = std::move(item->listed);
            s.readybytes -= listed->bytes();
            s.ready.erase(item);
            s.items.erase(path); // not through at: publishing may have rehashed the map
            if (!s.pending.empty())
                s.work.notify_one(); // room for another listing (with nothing pending, publish() wakes them)
            if (listed->failed)
                return nullptr;
            return std::make_unique<ListedListing>(std::move(listed));
        }
        if (item->phase == State::Pending) {
            const std::string key = item->key;
            const bool known = item->published;
            const std::shared_ptr<const DirHandle> parent = std::move(item->parent);
            s.forget(item);
            guard.unlock();
            return readown(path, parent.get(), key, known);
        }
        // A worker reads it: wait, but not past a stop.
        if (m_scanabort.load() != 0) {
            item->dropped = true;
            return std::make_unique<ListedListing>(std::make_unique<Listed>());
        }
        s.awaited = item;
        s.done.wait_for(guard, AbortPoll);
        s.awaited = nullptr;
    }
}

} // namespace qv
