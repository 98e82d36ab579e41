#include "RegFileStore.h"

#include "PathJoin.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

constexpr std::string_view Header = "REGEDIT4";
constexpr std::string_view Hive = "HKEY_CURRENT_USER\\";

enum class Kind { Other, Section, Value }; // Other: blank line or comment
enum class Type { String, Dword, Raw }; // Raw: a hex: value, kept as written

// One logical line of the file: its text as read (a hex: value continued over several lines holds them
// joined by "\n"), and what it says.
struct Line
{
    Kind kind = Kind::Other;
    std::string text;
    std::string section; // Section: the name between the brackets
    std::string name; // Value: the unescaped name; "" for "@", the key's default value
    Type type = Type::Raw;
    std::string string; // Value of type String
    std::uint32_t dword = 0; // Value of type Dword
};

Line plainline(std::string_view text)
{
    Line l;
    l.text = text;
    return l;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool iequal(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool istartswith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && iequal(s.substr(0, prefix.size()), prefix);
}

bool iscontrol(unsigned char c)
{
    return c < 0x20 || c == 0x7f;
}

int hexdigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string quote(std::string_view s)
{
    static const char digits[] = "0123456789abcdef";
    std::string q = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            q += '\\';
            q += c;
        } else if (c == '\n') {
            q += "\\n";
        } else if (iscontrol(u)) {
            q += "\\x";
            q += digits[u >> 4];
            q += digits[u & 15];
        } else {
            q += c;
        }
    }
    return q + '"';
}

// Reads the quoted text that starts at s[pos]; pos ends just past the closing quote.
bool unquote(std::string_view s, std::size_t& pos, std::string& out)
{
    if (pos >= s.size() || s[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos == s.size())
            return false;
        const char e = s[pos];
        if (e == '\\' || e == '"') {
            out += e;
        } else if (e == 'n') {
            out += '\n';
        } else if (e == 'x' && pos + 2 < s.size() && hexdigit(s[pos + 1]) >= 0 && hexdigit(s[pos + 2]) >= 0) {
            out += char(hexdigit(s[pos + 1]) * 16 + hexdigit(s[pos + 2]));
            pos += 2;
        } else {
            return false; // an escape we never write: better to refuse the file than to misread it
        }
    }
    return false;
}

std::string valuetext(std::string_view name, const std::string& data)
{
    return (name.empty() ? std::string("@") : quote(name)) + "=" + data;
}

std::string dwordtext(std::int32_t value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<std::uint32_t>(value));
    return buf;
}

// "hex:" or "hex(N):" then bytes in hex separated by commas; a trailing "\" continues on the next line.
bool rawvalue(std::string_view data, bool& continues)
{
    std::size_t pos = 3;
    if (pos < data.size() && data[pos] == '(') {
        const std::size_t close = data.find(')', pos);
        if (close == std::string_view::npos || close == pos + 1)
            return false;
        for (std::size_t i = pos + 1; i < close; ++i) {
            if (hexdigit(data[i]) < 0)
                return false;
        }
        pos = close + 1;
    }
    if (pos >= data.size() || data[pos] != ':')
        return false;
    std::string_view rest = trim(data.substr(pos + 1));
    continues = !rest.empty() && rest.back() == '\\';
    if (continues)
        rest.remove_suffix(1);
    for (char c : rest) {
        if (hexdigit(c) < 0 && c != ',' && c != ' ' && c != '\t')
            return false;
    }
    return true;
}

// Splits the file into lines and parses them; on failure error says where and why.
bool parse(std::string_view file, std::vector<Line>& lines, std::string& error)
{
    std::vector<std::string_view> physical;
    while (!file.empty()) {
        const std::size_t end = file.find('\n');
        std::string_view l = file.substr(0, end);
        if (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        physical.push_back(l);
        file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
    }
    auto fail = [&](std::size_t i, const char* why) {
        error = "line " + std::to_string(i + 1) + ": " + why;
        return false;
    };
    for (std::size_t i = 0; i < physical.size(); ++i) {
        for (char c : physical[i]) {
            if (iscontrol(static_cast<unsigned char>(c)) && c != '\t')
                return fail(i, "control character");
        }
    }
    if (physical.empty())
        return true; // an empty file holds nothing, and losing it loses nothing
    if (trim(physical[0]) != Header)
        return fail(0, "no REGEDIT4 header");

    lines.clear();
    lines.push_back(plainline(physical[0]));
    bool insection = false;
    for (std::size_t i = 1; i < physical.size(); ++i) {
        const std::string_view t = trim(physical[i]);
        Line line;
        line.text = physical[i];
        if (t.empty() || t.front() == ';') {
            lines.push_back(std::move(line));
            continue;
        }
        if (t.front() == '[') {
            if (t.size() < 3 || t.back() != ']')
                return fail(i, "bad key line");
            line.kind = Kind::Section;
            line.section = t.substr(1, t.size() - 2);
            insection = true;
            lines.push_back(std::move(line));
            continue;
        }
        if (t.front() != '"' && t.front() != '@')
            return fail(i, "neither key, value, comment nor blank");
        if (!insection)
            return fail(i, "value outside a key");
        line.kind = Kind::Value;
        std::size_t pos = 0;
        if (t.front() == '@')
            pos = 1;
        else if (!unquote(t, pos, line.name))
            return fail(i, "bad value name");
        std::string_view rest = trim(t.substr(pos));
        if (rest.empty() || rest.front() != '=')
            return fail(i, "no \"=\" after the value name");
        const std::string_view data = trim(rest.substr(1));
        if (!data.empty() && data.front() == '"') {
            pos = 0;
            if (!unquote(data, pos, line.string) || pos != data.size())
                return fail(i, "bad string");
            line.type = Type::String;
        } else if (istartswith(data, "dword:")) {
            const std::string_view digits = data.substr(6);
            if (digits.size() != 8)
                return fail(i, "a dword must have eight hex digits");
            for (char c : digits) {
                if (hexdigit(c) < 0)
                    return fail(i, "a dword must have eight hex digits");
                line.dword = line.dword * 16 + std::uint32_t(hexdigit(c));
            }
            line.type = Type::Dword;
        } else if (istartswith(data, "hex")) {
            bool continues = false;
            if (!rawvalue(data, continues))
                return fail(i, "bad hex value");
            while (continues) {
                if (++i == physical.size())
                    return fail(i - 1, "hex value continued past the end");
                if (!rawvalue(std::string("hex:").append(trim(physical[i])), continues))
                    return fail(i, "bad hex value");
                line.text.append("\n").append(physical[i]);
            }
            line.type = Type::Raw;
        } else {
            return fail(i, "unknown value type");
        }
        lines.push_back(std::move(line));
    }
    return true;
}

// A key path below the hive: non-empty parts separated by single backslashes, no control bytes.
bool validkey(std::string_view key)
{
    if (key.empty() || key.front() == '\\' || key.back() == '\\' || key.find("\\\\") != std::string_view::npos)
        return false;
    for (char c : key) {
        if (iscontrol(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

std::string parentdir(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool makedirs(const std::string& dir)
{
    struct stat st;
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (errno != ENOENT)
        return false;
    const std::string parent = parentdir(dir);
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
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Renames path to path.unreadable-<local time>, never replacing an earlier one; returns the new name.
std::string setaside(const std::string& path)
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

} // namespace

struct RegFileStore::Document
{
    enum Status { Missing, Read, Unreadable, NotAFile }; // NotAFile: a directory, FIFO ... at the path
    Status status = Missing;
    std::vector<Line> lines;
    std::string error; // Unreadable: why

    // The value's line, or null. Keys may appear in several sections and values twice; the last counts,
    // as when such a file is imported.
    const Line* find(std::string_view key, std::string_view name) const
    {
        if (!validkey(key))
            return nullptr;
        const std::string section = std::string(Hive).append(key);
        const Line* found = nullptr;
        bool in = false;
        for (const Line& l : lines) {
            if (l.kind == Kind::Section)
                in = iequal(l.section, section);
            else if (in && l.kind == Kind::Value && iequal(l.name, name))
                found = &l;
        }
        return found;
    }

    // Sets the value, keeping the spelling of an existing name, or adds it to the key (made if missing).
    void set(std::string_view key, std::string_view name, const std::string& data)
    {
        const std::string section = std::string(Hive).append(key);
        std::ptrdiff_t value = -1, insert = -1;
        bool in = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line& l = lines[i];
            if (l.kind == Kind::Section) {
                in = iequal(l.section, section);
                if (in)
                    insert = std::ptrdiff_t(i + 1);
            } else if (in && l.kind == Kind::Value) {
                insert = std::ptrdiff_t(i + 1);
                if (iequal(l.name, name))
                    value = std::ptrdiff_t(i);
            }
        }
        if (value >= 0) {
            lines[value].text = valuetext(lines[value].name, data);
            return;
        }
        Line line;
        line.kind = Kind::Value;
        line.name = name;
        line.text = valuetext(name, data);
        if (insert >= 0) {
            lines.insert(lines.begin() + insert, std::move(line));
            return;
        }
        if (lines.empty())
            lines.push_back(plainline(Header));
        if (!trim(lines.back().text).empty())
            lines.push_back(plainline({}));
        Line head;
        head.kind = Kind::Section;
        head.section = section;
        head.text = "[" + section + "]";
        lines.push_back(std::move(head));
        lines.push_back(std::move(line));
    }

    std::string text() const
    {
        std::string t;
        for (const Line& l : lines)
            t.append(l.text).append("\n");
        return t;
    }
};

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

RegFileStore::Document RegFileStore::load(bool quiet)
{
    Document doc;
    // O_NONBLOCK: a FIFO planted at the path must not hang the program.
    const Fd fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st;
    std::string content;
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            m_warned = false;
            return doc;
        }
        doc.error = std::strerror(errno);
    } else if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        doc.error = "not a regular file";
        doc.status = Document::NotAFile;
    } else if (st.st_size > MaxFileSize) {
        doc.error = "larger than " + std::to_string(MaxFileSize >> 20) + " MiB";
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
                doc.error = std::strerror(errno);
                break;
            }
            if (n == 0)
                break;
            got += std::size_t(n);
            if (got > std::size_t(MaxFileSize)) {
                doc.error = "larger than " + std::to_string(MaxFileSize >> 20) + " MiB";
                break;
            }
        }
        content.resize(got);
        if (doc.error.empty() && parse(content, doc.lines, doc.error)) {
            doc.status = Document::Read;
            m_warned = false;
            return doc;
        }
    }
    if (doc.status != Document::NotAFile)
        doc.status = Document::Unreadable;
    doc.lines.clear();
    if (!quiet && !m_warned) {
        std::fprintf(stderr, "Quorvane: the settings file %s cannot be read (%s); its settings are ignored\n",
            m_path.c_str(), doc.error.c_str());
        m_warned = true;
    }
    return doc;
}

bool RegFileStore::keyExists(std::string_view key)
{
    if (!validkey(key))
        return false;
    const std::string section = std::string(Hive).append(key);
    const std::string subkeys = section + "\\";
    for (const Line& l : load(false).lines) {
        if (l.kind == Kind::Section && (iequal(l.section, section) || istartswith(l.section, subkeys)))
            return true;
    }
    return false;
}

bool RegFileStore::valueExists(std::string_view key, std::string_view name)
{
    return load(false).find(key, name) != nullptr;
}

std::string RegFileStore::readString(std::string_view key, std::string_view name)
{
    const Document doc = load(false);
    const Line* l = doc.find(key, name);
    if (!l)
        throw SettingsError("Failed to get data for '" + std::string(name) + "'");
    if (l->type != Type::String)
        throw SettingsError("Invalid data type for '" + std::string(name) + "'");
    return l->string;
}

std::int32_t RegFileStore::readInteger(std::string_view key, std::string_view name)
{
    const Document doc = load(false);
    const Line* l = doc.find(key, name);
    if (!l)
        throw SettingsError("Failed to get data for '" + std::string(name) + "'");
    if (l->type != Type::Dword)
        throw SettingsError("Invalid data type for '" + std::string(name) + "'");
    return static_cast<std::int32_t>(l->dword);
}

void RegFileStore::writeString(std::string_view key, std::string_view name, std::string_view value)
{
    write(key, name, quote(value));
}

void RegFileStore::writeInteger(std::string_view key, std::string_view name, std::int32_t value)
{
    write(key, name, dwordtext(value));
}

void RegFileStore::write(std::string_view key, std::string_view name, const std::string& data)
{
    const SettingsError failed("Failed to set data for '" + std::string(name) + "'");
    const std::string dir = parentdir(m_path);
    if (!validkey(key) || !makedirs(dir))
        throw failed;

    // Every writer holds this lock from its re-read to its rename, so no change is lost. The lock file
    // stays: removing it would let two writers lock different files.
    const Fd lock(::open((m_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
    if (lock.get() < 0)
        throw failed;
    while (flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            throw failed;
    }

    Document doc = load(true);
    if (doc.status == Document::NotAFile)
        throw failed; // not ours to move away
    if (doc.status == Document::Unreadable) {
        const std::string aside = setaside(m_path);
        if (aside.empty())
            throw failed;
        std::fprintf(stderr, "Quorvane: the settings file %s could not be read (%s); it is kept as %s\n",
            m_path.c_str(), doc.error.c_str(), aside.c_str());
        m_warned = false;
    }
    doc.set(key, name, data);

    // Replace what a symbolic link points to rather than the link itself.
    std::string target = m_path;
    struct stat st;
    if (lstat(m_path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(m_path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const bool existed = stat(target.c_str(), &st) == 0;

    std::string temp = target + ".tmp-XXXXXX";
    const int tfd = mkostemp(temp.data(), O_CLOEXEC);
    if (tfd < 0)
        throw failed;
    bool ok = (!existed || fchmod(tfd, st.st_mode & 07777) == 0) && writeall(tfd, doc.text()) && fsync(tfd) == 0;
    ok = ::close(tfd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        throw failed;
    }
    // Make the rename itself durable; a failure here loses nothing that the rename has not already done.
    const Fd dirfd(::open(parentdir(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirfd.get() >= 0)
        fsync(dirfd.get());
}

} // namespace qv
