#include "FakeFiles.h"

#include "PosixDirLister.h"

namespace qv::test {

FakeEntry fakedir(std::string name)
{
    return { std::move(name), true };
}

FakeEntry fakefile(std::string name, double size)
{
    return { std::move(name), false, size };
}

namespace {

using State = FakeFiles::State;

std::string parentof(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

class Listing : public DirListing
{
public:
    Listing(std::shared_ptr<State> state, std::string path, std::vector<FakeEntry> entries, bool endless,
        std::unique_ptr<DirListing> real)
        : m_state(std::move(state))
        , m_path(std::move(path))
        , m_entries(std::move(entries))
        , m_endless(endless)
        , m_real(std::move(real))
    {
    }
    ~Listing() override
    {
        std::lock_guard guard(m_state->lock);
        --m_state->live;
    }
    bool next(DirEntry& e) override
    {
        if (m_real) {
            if (!m_real->next(e))
                return false;
        } else if (m_index < m_entries.size()) {
            const FakeEntry& x = m_entries[m_index];
            e = DirEntry { x.name, x.isdir, x.mountpoint, x.compressed, x.size, x.ondisc, x.mtime };
        } else if (m_endless) {
            e = DirEntry { "more.dat", false, false, false, 1 };
        } else {
            return false;
        }
        if (m_state->onentry)
            m_state->onentry(m_path, e, m_index);
        ++m_index;
        return true;
    }

private:
    std::shared_ptr<State> m_state;
    std::string m_path;
    std::vector<FakeEntry> m_entries;
    bool m_endless;
    std::unique_ptr<DirListing> m_real;
    std::size_t m_index = 0;
};

// Lists the state's tree, or the real file system through real.
class Lister : public DirLister
{
public:
    Lister(std::shared_ptr<State> state, std::unique_ptr<DirLister> real, bool counted)
        : m_state(std::move(state))
        , m_real(std::move(real))
        , m_counted(counted)
    {
        std::lock_guard guard(m_state->lock);
        m_state->listers += m_counted;
    }
    ~Lister() override
    {
        m_real.reset();
        std::lock_guard guard(m_state->lock);
        m_state->listers -= m_counted;
    }
    std::unique_ptr<DirListing> open(const std::string& path) override
    {
        return m_state->open(m_state, m_real.get(), nullptr, path);
    }
    std::unique_ptr<DirListing> openbelow(const std::string& root, const std::string& path) override
    {
        return m_state->open(m_state, m_real.get(), &root, path);
    }
    std::unique_ptr<DirLister> another() override
    {
        {
            std::lock_guard guard(m_state->lock);
            if (!m_state->readahead || m_state->onentry || !m_state->endless.empty())
                return nullptr;
        }
        return std::make_unique<Lister>(m_state, m_real ? m_real->another() : nullptr, true);
    }

private:
    std::shared_ptr<State> m_state;
    std::unique_ptr<DirLister> m_real;
    bool m_counted;
};

std::unique_ptr<DirLister> makelister(const std::shared_ptr<State>& state, bool counted)
{
    return std::make_unique<Lister>(state, state->real ? std::make_unique<PosixDirLister>() : nullptr, counted);
}

} // namespace

void State::adddir(const std::string& path)
{
    if (!dirs.emplace(path, std::vector<FakeEntry> {}).second || path == "/")
        return;
    adddir(parentof(path));
    dirs[parentof(path)].push_back(fakedir(path.substr(path.rfind('/') + 1)));
}

std::unique_ptr<DirListing> State::open(
    const std::shared_ptr<State>& self, DirLister* reallister, const std::string* root, const std::string& path)
{
    std::unique_lock guard(lock);
    ++busy;
    opened.push_back(path);
    if (const auto gate = gates.find(path); gate != gates.end() && !gate->second) {
        ++held;
        changed.notify_all();
        changed.wait(guard, [&] { return gate->second; });
        --held;
    }
    std::vector<FakeEntry> entries;
    std::unique_ptr<DirListing> inner;
    bool listable = false;
    const bool isendless = endless.count(path) != 0;
    if (reallister) {
        guard.unlock();
        inner = root ? reallister->openbelow(*root, path) : reallister->open(path);
        guard.lock();
        listable = inner != nullptr;
    } else if (const auto dir = dirs.find(path); dir != dirs.end()) {
        entries = dir->second;
        listable = true;
    }
    --busy;
    changed.notify_all();
    if (!listable)
        return nullptr;
    ++live;
    guard.unlock();
    auto listing = std::make_unique<Listing>(self, path, std::move(entries), isendless, std::move(inner));
    if (onopen)
        onopen(path);
    return listing;
}

FakeFiles::FakeFiles(Source source)
    : m_state(std::make_shared<State>(source == RealFileSystem))
    , m_own(makelister(m_state, false))
{
}

FakeFiles::~FakeFiles()
{
    m_own.reset();
    release();
}

void FakeFiles::file(const std::string& path, double size)
{
    with([&](State& s) {
        s.adddir(parentof(path));
        s.dirs[parentof(path)].push_back(fakefile(path.substr(path.rfind('/') + 1), size));
    });
}

void FakeFiles::release()
{
    with([](State& s) {
        for (auto& [path, open] : s.gates)
            open = true;
    });
}

void FakeFiles::waitforheld(int n) const
{
    std::unique_lock guard(m_state->lock);
    m_state->changed.wait(guard, [&] { return m_state->held >= n; });
}

std::unique_ptr<DirLister> FakeFiles::lister() const
{
    return makelister(m_state, true);
}

std::function<std::unique_ptr<DirLister>()> FakeFiles::factory() const
{
    return [state = m_state] { return makelister(state, true); };
}

} // namespace qv::test
