#include "RegFileStore.h"

#include "PathJoin.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qv {

namespace {

bool makedirs(const std::string& dir)
{
    struct stat st;
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (errno != ENOENT)
        return false;
    const std::string parent(parentpath(dir));
    if (parent != dir && !makedirs(parent))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || (errno == EEXIST && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

bool writeall(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

class Fd
{
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(Fd&& other)
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Keeps path's file as path.unreadable-<local time>, never replacing an earlier one, and returns that
// name. With keep, path still names the file afterwards (a hard link), so that the path never goes
// missing while a writer replaces it: another writer would otherwise make a new file there and lose its
// values to the rename that follows.
std::string setaside(const std::string& path, bool keep)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    for (int n = 1; n < 1000; ++n) {
        std::string aside = path + ".unreadable-" + stamp;
        if (n > 1)
            aside += "-" + std::to_string(n);
        if (keep && link(path.c_str(), aside.c_str()) == 0)
            return aside;
        if (keep && errno == EEXIST)
            continue;
        // No hard links here: rename, which leaves the path missing for a moment.
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
            return aside;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return {};
        // A file system without RENAME_NOREPLACE: test, then rename (we hold the lock).
        struct stat st;
        if (lstat(aside.c_str(), &st) == 0)
            continue;
        return std::rename(path.c_str(), aside.c_str()) == 0 ? aside : std::string();
    }
    return {};
}

// What a symbolic link at path points to, which a write replaces rather than the link itself.
std::string resolved(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            std::string target = real;
            std::free(real);
            return target;
        }
    }
    return path;
}

// Opens and locks the settings file at path, making it empty if missing. Writers replace the file, so
// a lock taken on a file that was replaced while we waited is taken again on the new one. Invalid when
// the file cannot be opened or is not a regular file.
Fd lockfile(const std::string& path)
{
    for (;;) {
        // O_NONBLOCK: a FIFO planted at the path must not hang the program.
        constexpr int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | flags, 0600);
        if (fd < 0 && errno == EACCES)
            fd = ::open(path.c_str(), O_RDONLY | flags); // flock needs no write access
        Fd lock(fd);
        struct stat held, now;
        if (lock.get() < 0 || fstat(lock.get(), &held) != 0 || !S_ISREG(held.st_mode))
            return Fd(-1);
        while (flock(lock.get(), LOCK_EX) != 0) {
            if (errno != EINTR)
                return Fd(-1);
        }
        if (stat(path.c_str(), &now) == 0 && now.st_dev == held.st_dev && now.st_ino == held.st_ino)
            return lock;
    }
}

bool notnewer(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
}

// A temporary file of ours for the settings file named base: base + ".tmp-" + mkostemp's six characters.
bool ourtemporary(std::string_view name, std::string_view base)
{
    constexpr std::string_view Suffix = ".tmp-";
    if (name.size() != base.size() + Suffix.size() + 6 || name.substr(0, base.size()) != base
        || name.substr(base.size(), Suffix.size()) != Suffix)
        return false;
    for (char c : name.substr(base.size() + Suffix.size())) {
        if (!(c >= '0' && c <= '9') && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z'))
            return false;
    }
    return true;
}

// Removes the temporaries of the settings file at path that a killed save left: our own regular files of
// our naming pattern, last written no later than the save's own temporary (ours) was. Every writer holds
// the lock from making its temporary to renaming it, so while we hold it such a file belongs to no save
// in progress.
void removestale(const std::string& path, const std::string& ours, const timespec& written)
{
    const std::string dir(parentpath(path));
    const std::string base(leafname(path));
    const std::string ourname(leafname(ours));
    DIR* d = opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* e = readdir(d)) {
        struct stat st;
        if (!ourtemporary(e->d_name, base) || e->d_name == ourname
            || fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode) && st.st_uid == geteuid() && notnewer(st.st_mtim, written))
            unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

} // namespace

RegFileStore::RegFileStore()
    : RegFileStore(defaultpath())
{
}

RegFileStore::RegFileStore(std::string path)
    : m_path(std::move(path))
{
}

std::string RegFileStore::defaultpath()
{
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home && home[0]) {
            base = home;
        } else if (const passwd* pw = getpwuid(getuid())) {
            base = pw->pw_dir;
        }
        base = joinpath(base.empty() ? "/" : base, ".config");
    }
    return joinpath(joinpath(base, "Tavenbrook"), "Quorvane.reg");
}

struct RegFileStore::Loaded
{
    enum Status { Missing, Read, Unreadable, NotAFile }; // NotAFile: a directory, FIFO ... at the path
    Status status = Missing;
    RegDocument doc;
    std::string error; // Unreadable, NotAFile: why
};

RegFileStore::Loaded RegFileStore::load(bool quiet)
{
    Loaded loaded;
    const Fd fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st;
    std::string content;
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            m_warned = false;
            return loaded;
        }
        loaded.error = std::strerror(errno);
    } else if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        loaded.error = "not a regular file";
        loaded.status = Loaded::NotAFile;
    } else if (st.st_size > MaxFileSize) {
        loaded.error = "larger than " + std::to_string(MaxFileSize >> 20) + " MiB";
    } else {
        content.resize(std::size_t(st.st_size));
        std::size_t got = 0;
        for (;;) {
            if (got == content.size())
                content.resize(got + 4096); // the file may have grown since fstat
            const ssize_t n = ::read(fd.get(), content.data() + got, content.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                loaded.error = std::strerror(errno);
                break;
            }
            if (n == 0)
                break;
            got += std::size_t(n);
            if (got > std::size_t(MaxFileSize)) {
                loaded.error = "larger than " + std::to_string(MaxFileSize >> 20) + " MiB";
                break;
            }
        }
        content.resize(got);
        if (loaded.error.empty()) {
            if (std::optional<RegDocument> doc = RegDocument::parse(content, loaded.error)) {
                loaded.doc = std::move(*doc);
                loaded.status = Loaded::Read;
                m_warned = false;
                return loaded;
            }
        }
    }
    if (loaded.status != Loaded::NotAFile)
        loaded.status = Loaded::Unreadable;
    if (!quiet && !m_warned) {
        std::fprintf(stderr, "Quorvane: the settings file %s cannot be read (%s); its settings are ignored\n",
            m_path.c_str(), loaded.error.c_str());
        m_warned = true;
    }
    return loaded;
}

bool RegFileStore::keyExists(std::string_view key)
{
    return load(false).doc.keyexists(key);
}

bool RegFileStore::valueExists(std::string_view key, std::string_view name)
{
    return load(false).doc.find(key, name) != nullptr;
}

RegDocument::Value RegFileStore::read(std::string_view key, std::string_view name, RegDocument::Type type)
{
    const Loaded loaded = load(false);
    const RegDocument::Value* value = loaded.doc.find(key, name);
    if (!value)
        throw SettingsError("Failed to get data for '" + std::string(name) + "'");
    if (value->type != type)
        throw SettingsError("Invalid data type for '" + std::string(name) + "'");
    return *value;
}

std::string RegFileStore::readString(std::string_view key, std::string_view name)
{
    return read(key, name, RegDocument::Type::String).string;
}

std::int32_t RegFileStore::readInteger(std::string_view key, std::string_view name)
{
    return static_cast<std::int32_t>(read(key, name, RegDocument::Type::Dword).dword);
}

void RegFileStore::write(const SettingsBatch& batch)
{
    const std::vector<SettingsBatch::Change>& changes = batch.changes();
    if (changes.empty())
        return;
    const auto bad = std::find_if(
        changes.begin(), changes.end(), [](const SettingsBatch::Change& c) { return !RegDocument::validkey(c.key); });
    const SettingsError failed("Failed to set data for '" + (bad != changes.end() ? bad : changes.begin())->name + "'");
    const std::string target = resolved(m_path);
    if (bad != changes.end() || !makedirs(std::string(parentpath(target))))
        throw failed;

    // Held from the re-read to the rename, so that no other writer's change is lost.
    const Fd lock = lockfile(target);
    if (lock.get() < 0)
        throw failed;
    Loaded loaded = load(true);
    if (loaded.status == Loaded::NotAFile)
        throw failed; // not ours to move away
    if (loaded.status == Loaded::Unreadable) {
        const std::string aside = setaside(target, true);
        if (aside.empty())
            throw failed;
        std::fprintf(stderr, "Quorvane: the settings file %s could not be read (%s); it is kept as %s\n",
            m_path.c_str(), loaded.error.c_str(), aside.c_str());
        m_warned = false;
    }
    RegDocument& doc = loaded.doc;
    for (const SettingsBatch::Change& c : changes) {
        if (c.integer)
            doc.setinteger(c.key, c.name, c.number);
        else
            doc.setstring(c.key, c.name, c.string);
    }

    struct stat st;
    std::string temp = target + ".tmp-XXXXXX";
    const int tfd = mkostemp(temp.data(), O_CLOEXEC);
    if (tfd < 0)
        throw failed;
    bool ok = fstat(lock.get(), &st) == 0 && fchmod(tfd, st.st_mode & 07777) == 0 && writeall(tfd, doc.text())
        && fsync(tfd) == 0 && fstat(tfd, &st) == 0;
    ok = ::close(tfd) == 0 && ok;
    if (ok) {
        removestale(target, temp, st.st_mtim);
        replacing(temp);
    }
    ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        throw failed;
    }
    // Make the rename itself durable; a failure here loses nothing that the rename has not already done.
    const Fd dirfd(::open(std::string(parentpath(target)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirfd.get() >= 0)
        fsync(dirfd.get());
}

std::optional<std::string> RegFileStore::setasideunreadable()
{
    Loaded loaded = load(true);
    if (loaded.status == Loaded::Missing || loaded.status == Loaded::Read)
        return std::nullopt;
    std::string text = "The settings file " + m_path + " could not be read (" + loaded.error + ")";
    if (loaded.status == Loaded::NotAFile)
        return text + ". The default settings are used, and none will be saved there";
    // Under the lock when the file lets us take it, so that no writer is replacing it meanwhile.
    const std::string target = resolved(m_path);
    const Fd lock = lockfile(target);
    loaded = load(true);
    if (loaded.status != Loaded::Unreadable)
        return std::nullopt; // another instance has dealt with it
    const std::string aside = setaside(target, false);
    m_warned = false;
    if (aside.empty())
        return text + ". The default settings are used; it could not be moved aside, so none can be saved";
    return text + ". The default settings are used, and the old file is kept as " + aside;
}

} // namespace qv
