#pragma once

// Directories for the listing seam that a test controls: a tree in memory, for what a test machine can't
// make (a compressed file, an exact listing order, a directory that never ends), or the real file system.
// Either way a test can hold the opening of a directory at a gate (a read of a stopped file system), run a
// hook as directories open and entries come, and see what was listed.
#include "DirLister.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qv::test {

// One entry of a directory in memory.
struct FakeEntry
{
    std::string name;
    bool isdir = false;
    double size = 0;
    bool compressed = false;
    double ondisc = -1;
    bool mountpoint = false;
    std::int64_t mtime = 0;
};
FakeEntry fakedir(std::string name);
FakeEntry fakefile(std::string name, double size);

// Listers of these files may be used from any thread and may outlive the FakeFiles (on a parked worker);
// the FakeFiles releases every gate when it goes. Used as a DirLister itself, it lists on the caller's thread.
class FakeFiles : public DirLister
{
public:
    enum Source { InMemory, RealFileSystem };
    explicit FakeFiles(Source source = InMemory);
    ~FakeFiles() override;
    FakeFiles(const FakeFiles&) = delete;
    FakeFiles& operator=(const FakeFiles&) = delete;
    struct State;

    // The tree in memory (InMemory). dir() and file() add the parents a path needs; listing() gives path
    // exactly these entries, in this order, and nothing else. A path never added can't be listed.
    void dir(const std::string& path)
    {
        with([&](State& s) { s.adddir(path); });
    }
    void file(const std::string& path, double size);
    void listing(const std::string& path, std::vector<FakeEntry> entries)
    {
        with([&](State& s) { s.dirs[path] = std::move(entries); });
    }
    // The listing of path goes on giving files for as long as it is read, like a huge directory: a walk in it
    // leaves only when stopped. A tree with one lists on the walker's thread only.
    void endless(const std::string& path)
    {
        with([&](State& s) {
            s.adddir(path);
            s.endless.insert(path);
        });
    }

    // Openings of path wait until path (or everything) is released.
    void hold(const std::string& path)
    {
        with([&](State& s) { s.gates[path] = false; });
    }
    void release(const std::string& path)
    {
        with([&](State& s) { s.gates[path] = true; });
    }
    void release();
    int held() const // openings waiting at a gate right now
    {
        return with([](State& s) { return s.held; });
    }
    void waitforheld(int n) const; // returns once n openings are held

    // Runs on the listing's thread once the listing of path has started.
    void onopen(std::function<void(const std::string& path)> hook)
    {
        with([&](State& s) { s.onopen = std::move(hook); });
    }
    // Runs after the listing of path has filled in its entry number index (from 0), before the entry is handed
    // on. With this hook the files list on the walker's thread only: it sees the walker's pace.
    void onentry(std::function<void(const std::string& path, const DirEntry& entry, std::size_t index)> hook)
    {
        with([&](State& s) { s.onentry = std::move(hook); });
    }
    // Whether workers may list ahead of a walk (another() gives them listers). Off, the walker lists every
    // directory itself, so a gate holds the walk itself.
    void readahead(bool on)
    {
        with([&](State& s) { s.readahead = on; });
    }

    int busy() const // openings under way right now, held or not
    {
        return with([](State& s) { return s.busy; });
    }
    int live() const // listings not yet ended
    {
        return with([](State& s) { return s.live; });
    }
    int listers() const // listers made by lister(), factory() and another() not yet gone
    {
        return with([](State& s) { return s.listers; });
    }
    std::vector<std::string> opened() const // every path opened so far, listable or not, in order
    {
        return with([](State& s) { return s.opened; });
    }

    std::unique_ptr<DirLister> lister() const;
    std::function<std::unique_ptr<DirLister>()> factory() const;

    std::unique_ptr<DirListing> open(const std::string& path) override { return m_own->open(path); }
    std::unique_ptr<DirListing> openbelow(const std::string& root, const std::string& path) override
    {
        return m_own->openbelow(root, path);
    }
    std::unique_ptr<DirLister> another() override { return m_own->another(); }

    // What the files and their listers share, under lock.
    struct State
    {
        const bool real;
        std::mutex lock;
        std::condition_variable changed;
        std::map<std::string, std::vector<FakeEntry>> dirs;
        std::set<std::string> endless;
        std::map<std::string, bool> gates; // open or not
        std::vector<std::string> opened;
        int held = 0, busy = 0, live = 0, listers = 0;
        bool readahead = true;
        std::function<void(const std::string&)> onopen;
        std::function<void(const std::string&, const DirEntry&, std::size_t)> onentry;

        void adddir(const std::string& path);
        std::unique_ptr<DirListing> open(
            const std::shared_ptr<State>& self, DirLister* real, const std::string* root, const std::string& path);
    };

private:
    // Runs f on the state under its lock, and wakes whoever waits for a change.
    template <typename F> auto with(F f) const -> decltype(f(std::declval<State&>()))
    {
        std::lock_guard guard(m_state->lock);
        m_state->changed.notify_all();
        return f(*m_state);
    }

    std::shared_ptr<State> m_state;
    std::unique_ptr<DirLister> m_own;
};

} // namespace qv::test
