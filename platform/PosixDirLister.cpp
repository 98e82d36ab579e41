#include "PosixDirLister.h"

#include "PathJoin.h"
#include "StatAhead.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

// A directory descriptor handed over by its listing; counts against the family's budget while open.
class PosixHandle final : public DirHandle
{
public:
    PosixHandle(int fd, std::string path, std::shared_ptr<std::atomic<int>> kept)
        : fd(fd)
        , path(std::move(path))
        , m_kept(std::move(kept))
    {
    }
    ~PosixHandle() override
    {
        ::close(fd);
        m_kept->fetch_sub(1, std::memory_order_relaxed);
    }
    PosixHandle(const PosixHandle&) = delete;
    PosixHandle& operator=(const PosixHandle&) = delete;

    const int fd;
    const std::string path;

private:
    std::shared_ptr<std::atomic<int>> m_kept;
};

class PosixListing final : public DirListing
{
public:
    PosixListing(PosixDirLister* owner, int fd, std::string path)
        : m_owner(owner)
        , m_fd(fd)
        , m_path(std::move(path))
    {
    }
    ~PosixListing() override
    {
        if (m_owner)
            m_owner->forget(this); // may pass the directory above back its descriptor, through ours
        closefd();
    }

    bool next(DirEntry& entry) override;
    Size remaining() const override { return { m_items.size() - m_pos, m_names.size() }; }
    std::shared_ptr<const DirHandle> keepopen() override
    {
        // Not while entries may still be examined on another thread through the descriptor.
        if (m_fd < 0 || !m_owner || m_statahead || m_pos < m_items.size())
            return nullptr;
        std::atomic<int>& kept = *m_owner->m_kept;
        if (kept.fetch_add(1, std::memory_order_relaxed) >= PosixDirLister::MaxKept) {
            kept.fetch_sub(1, std::memory_order_relaxed);
            return nullptr;
        }
        auto handle = std::make_shared<PosixHandle>(m_fd, m_path, m_owner->m_kept);
        m_fd = -1;
        return handle;
    }

private:
    friend class PosixDirLister;
    struct Item
    {
        std::uint32_t offset; // of the NUL-terminated name in m_names
        std::uint16_t length;
        unsigned char type; // d_type
    };

    void closefd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    // Gives up the descriptor for the budget, remembering which directory it was so that it can be
    // opened again relative to a subdirectory.
    void evict()
    {
        struct stat st;
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0) {
            m_dev = st.st_dev;
            m_ino = st.st_ino;
            m_identified = true;
        }
        closefd();
    }
    bool ismountpoint(std::string_view name) const
    {
        return m_holdsmounts && m_owner && m_owner->m_mounts.ismountpoint(joinpath(m_realpath, name));
    }

    PosixDirLister* m_owner;
    int m_fd;
    std::string m_path;
    std::string m_realpath; // only kept when a mount point lies in this directory
    bool m_holdsmounts = false;
    bool m_identified = false; // m_dev and m_ino hold the directory's identity
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    std::string m_names;
    std::vector<Item> m_items;
    std::size_t m_pos = 0;
    bool m_ahead = false; // examine entries on another thread too, from the first next() on
    std::unique_ptr<StatAhead> m_statahead;
};

bool PosixListing::next(DirEntry& entry)
{
    if (m_ahead) {
        m_ahead = false;
        if (m_fd >= 0 && m_items.size() >= 2 * StatAhead::Chunk)
            m_statahead = std::make_unique<StatAhead>(m_fd, m_items.size(), [this](std::size_t i) {
                // The files the listing's types name; anything else is examined here, as without it.
                const Item& item = m_items[i];
                return item.type == DT_DIR || item.type == DT_UNKNOWN ? nullptr : m_names.data() + item.offset;
            });
    }
    while (m_pos < m_items.size()) {
        const std::size_t index = m_pos;
        const Item item = m_items[m_pos++];
        const char* name = m_names.data() + item.offset;
        entry = DirEntry {};
        entry.name = std::string_view(name, item.length);
        // A mount point must not be touched at all: a dead network mount would hang the walk.
        if ((item.type == DT_DIR || item.type == DT_UNKNOWN) && ismountpoint(entry.name)) {
            entry.isdir = true;
            entry.mountpoint = true;
            return true;
        }
        if (item.type == DT_DIR) {
            entry.isdir = true;
            return true;
        }

        struct statx st;
        const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_INO | STATX_NLINK;
        const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
        int rc = m_statahead && StatAhead::ahead(index) ? m_statahead->result(index, st) : StatAhead::NotExamined;
        if (rc == StatAhead::NotExamined) {
            if (m_fd >= 0) {
                rc = ::statx(m_fd, name, flags, mask, &st);
            } else {
                const std::string full = joinpath(m_path, entry.name);
                rc = ::statx(AT_FDCWD, full.c_str(), flags, mask, &st);
            }
        }
        if (rc != 0)
            continue; // vanished since the listing was read
        entry.mtime = st.stx_mtime.tv_sec;
        if (S_ISDIR(st.stx_mode)) {
            entry.isdir = true;
            return true;
        }
        entry.size = static_cast<double>(st.stx_size);
        entry.allocated = static_cast<double>(st.stx_blocks) * 512;
        entry.inode = st.stx_ino;
        entry.links = st.stx_nlink;
        entry.notregular = !S_ISREG(st.stx_mode);
        if ((st.stx_attributes_mask & STATX_ATTR_COMPRESSED) && (st.stx_attributes & STATX_ATTR_COMPRESSED)) {
            entry.compressed = true;
            entry.ondisc = (st.stx_mask & STATX_BLOCKS) ? static_cast<double>(st.stx_blocks) * 512 : -1;
        }
        return true;
    }
    return false;
}

PosixDirLister::PosixDirLister(MountTable mounts)
    : m_mounts(std::move(mounts))
    , m_buffer(64 * 1024)
    , m_kept(std::make_shared<std::atomic<int>>(0))
{
}

PosixDirLister::~PosixDirLister()
{
    for (PosixListing* l : m_live)
        l->m_owner = nullptr;
}

std::unique_ptr<DirLister> PosixDirLister::another()
{
    auto twin = std::make_unique<PosixDirLister>(m_mounts);
    twin->m_anchor = m_anchor;
    twin->m_anchorreal = m_anchorreal;
    twin->m_anchored = m_anchored;
    twin->m_kept = m_kept;
    return twin;
}

// The real path of a directory to be listed. Paths below the last path resolved map by text, since the
// walker only descends into entries that are directories, never links; anything else goes through
// realpath() once and becomes the new anchor. below tells whether path lies strictly below the anchor.
// A real path too long to hold a mount point is not built: the result is empty then.
std::string PosixDirLister::realdir(const std::string& path, bool& below)
{
    below = false;
    if (m_anchored) {
        if (path == m_anchor)
            return m_anchorreal;
        if (pathatorunder(path, m_anchor)) { // below it: the anchor itself is taken above
            below = true;
            std::string_view rest(path);
            rest.remove_prefix(m_anchor == "/" ? 1 : m_anchor.size() + 1);
            if (m_anchorreal.size() + rest.size() > m_mounts.longestparent())
                return {};
            return joinpath(m_anchorreal, rest);
        }
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    m_anchor = path;
    m_anchorreal = resolved ? resolved : path;
    m_anchored = true;
    std::free(resolved);
    return m_anchorreal;
}

std::unique_ptr<DirListing> PosixDirLister::open(const std::string& path)
{
    bool below = false;
    std::string real = realdir(path, below);
    // Below the scan root no link is followed, not even one put in place of a directory since it was listed.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (below ? O_NOFOLLOW : 0);

    auto opendir = [&]() {
        PosixListing* top = m_live.empty() ? nullptr : m_live.back();
        if (below && top && top->m_fd >= 0 && parentpath(path) == top->m_path)
            return ::openat(top->m_fd, leafname(path).data(), flags);
        return ::open(path.c_str(), flags);
    };
    int fd = opendir();
    if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
        // Out of descriptors (the process may hold many elsewhere): give up ours and try again.
        for (; m_firstopen < m_live.size(); ++m_firstopen)
            m_live[m_firstopen]->closefd();
        fd = opendir();
    }
    if (fd < 0)
        return nullptr;
    return adopt(fd, path, std::move(real));
}

std::unique_ptr<DirListing> PosixDirLister::openin(const DirHandle* parent, const std::string& path)
{
    const auto* dir = dynamic_cast<const PosixHandle*>(parent);
    if (!dir || parentpath(path) != dir->path)
        return open(path);
    bool below = false;
    std::string real = realdir(path, below);
    if (!below)
        return open(path);
    const int fd = ::openat(dir->fd, leafname(path).data(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno == EMFILE || errno == ENFILE ? open(path) : nullptr;
    return adopt(fd, path, std::move(real));
}

std::unique_ptr<DirListing> PosixDirLister::openbelow(const std::string& root, const std::string& path)
{
    if (path == root)
        return open(path);
    const bool under = root == "/"
        ? path.size() > 1 && path[0] == '/'
        : path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
    if (!under)
        return nullptr;
    bool below = false;
    std::string real = realdir(root, below);
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string_view rest(path);
    rest.remove_prefix(root == "/" ? 1 : root.size() + 1);
    while (fd >= 0 && !rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string name(rest.substr(0, slash));
        rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
        if (name.empty())
            continue;
        if (!real.empty())
            real = joinpath(real, name);
        // A directory something was mounted on since it was scanned is not entered, as the walker would not.
        const bool mounted = !real.empty() && m_mounts.ismountpoint(real);
        const int next = mounted ? -1 : ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return nullptr;
    return adopt(fd, path, std::move(real));
}

// Reads all names of the open directory fd (at path, real path real, empty when not built) into a new
// listing, which takes the descriptor.
std::unique_ptr<DirListing> PosixDirLister::adopt(int fd, const std::string& path, std::string real)
{
    auto listing = std::make_unique<PosixListing>(this, fd, path);
    listing->m_ahead = m_examineahead;
    listing->m_holdsmounts = !real.empty() && m_mounts.holdsmountpoint(real);
    if (listing->m_holdsmounts)
        listing->m_realpath = std::move(real);
    for (;;) {
        const ssize_t n = ::getdents64(fd, m_buffer.data(), m_buffer.size());
        if (n <= 0)
            break; // the end, or an error part way: what was read is listed
        // A record takes at least 24 bytes (a header of 19, the name, its terminator, alignment to 8).
        auto& items = listing->m_items;
        const std::size_t need = items.size() + static_cast<std::size_t>(n) / 24;
        if (need > items.capacity())
            items.reserve(std::max(need, 2 * items.capacity()));
        for (ssize_t pos = 0; pos < n;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(m_buffer.data() + pos);
            pos += d->d_reclen;
            const std::size_t len = std::strlen(d->d_name);
            if (d->d_name[0] == '.' && (len == 1 || (len == 2 && d->d_name[1] == '.')))
                continue; // "." and "..": no entry of the directory
            listing->m_items.push_back(
                { static_cast<std::uint32_t>(listing->m_names.size()), static_cast<std::uint16_t>(len), d->d_type });
            listing->m_names.append(d->d_name, len + 1);
        }
    }

    m_live.push_back(listing.get());
    if (m_live.size() - m_firstopen > MaxOpen)
        m_live[m_firstopen++]->evict();
    return listing;
}

// When the last listing ends while the one before it, its parent, gave up its descriptor, the parent
// gets one back as ".." of the ending directory: in a deep tree every way back up then stays one step
// long. It is taken only when it is the very directory the parent had (a subdirectory may have moved).
void PosixDirLister::forget(PosixListing* listing)
{
    for (std::size_t i = m_live.size(); i-- > 0;) {
        if (m_live[i] != listing)
            continue;
        bool reopened = false;
        if (i + 1 == m_live.size() && i > 0 && listing->m_fd >= 0) {
            PosixListing* parent = m_live[i - 1];
            const bool isparent = parentpath(listing->m_path) == parent->m_path;
            if (parent->m_fd < 0 && parent->m_identified && isparent) {
                const int up = ::openat(listing->m_fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                struct stat st;
                if (up >= 0 && ::fstat(up, &st) == 0 && st.st_dev == parent->m_dev && st.st_ino == parent->m_ino) {
                    parent->m_fd = up;
                    reopened = true;
                } else if (up >= 0) {
                    ::close(up);
                }
            }
        }
        m_live.erase(m_live.begin() + static_cast<std::ptrdiff_t>(i));
        if (i < m_firstopen)
            --m_firstopen;
        if (reopened)
            m_firstopen = m_live.size() - 1;
        return;
    }
}

} // namespace qv
