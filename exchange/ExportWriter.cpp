#include "ExportWriter.h"

#include "PathJoin.h"
#include "ScanRules.h"

#include <charconv>

namespace qv {
namespace {

constexpr std::size_t FlushAt = 1 << 20;

// ,"key":value for a whole number of any integer type.
template <typename Int> void appendwhole(std::string& out, std::string_view key, Int value)
{
    out += ",\"";
    out += key;
    out += "\":";
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end);
}

void appendunsigned(std::string& out, std::string_view key, std::uint64_t value)
{
    appendwhole(out, key, value);
}

// A size, held as a double like every figure: whole and below 2^63 on any real file system.
void appendnumber(std::string& out, std::string_view key, double value)
{
    constexpr double Most = 9223372036854775807.0;
    appendunsigned(out, key, value <= 0 ? 0 : value >= Most ? 9223372036854775807u : static_cast<std::uint64_t>(value));
}

void appendinteger(std::string& out, std::string_view key, std::int64_t value)
{
    appendwhole(out, key, value);
}

void appendname(std::string& out, std::string_view name)
{
    out += "{\"name\":";
    appendjsonstring(out, name);
}

} // namespace

void appendjsonstring(std::string& out, std::string_view s)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

class ExportWriter::Listing final : public DirListing
{
public:
    Listing(ExportWriter& writer, std::unique_ptr<DirListing> inner, std::string path)
        : m_writer(writer)
        , m_inner(std::move(inner))
        , m_path(std::move(path))
    {
    }
    ~Listing() override
    {
        m_inner.reset();
        if (m_writer.m_pending)
            m_writer.pendingdone();
        m_writer.close();
    }

    bool next(DirEntry& e) override
    {
        if (m_writer.m_pending)
            m_writer.pendingdone();
        if (!m_inner->next(e))
            return false;
        // What the walker leaves out stays out of the export too.
        if (e.name == "." || e.name == ".." || pathtoolong(m_path, e.name))
            return true;
        if (e.isdir && !e.mountpoint) {
            m_writer.m_pending = true; // written once the walker opens it, or not
            m_writer.m_pendingname = e.name;
            m_writer.m_pendingpath = joinpath(m_path, e.name);
        } else {
            m_writer.entry(e);
        }
        return true;
    }

private:
    ExportWriter& m_writer;
    std::unique_ptr<DirListing> m_inner;
    std::string m_path;
};

ExportWriter::ExportWriter(DirLister& inner, std::FILE* out, const ExportMeta& meta, std::string rootname)
    : m_inner(inner)
    , m_out(out)
    , m_meta(meta)
    , m_rootname(std::move(rootname))
{
}

ExportWriter::~ExportWriter()
{
    finish();
}

std::unique_ptr<DirListing> ExportWriter::open(const std::string& path)
{
    return begin(m_inner.open(path), path);
}

std::unique_ptr<DirListing> ExportWriter::openbelow(const std::string& root, const std::string& path)
{
    return begin(m_inner.openbelow(root, path), path);
}

std::unique_ptr<DirListing> ExportWriter::begin(std::unique_ptr<DirListing> listing, const std::string& path)
{
    std::string_view name;
    if (!m_started) {
        m_started = true;
        m_buffer += "[1,2,{\"progname\":\"quorvane\",\"progver\":";
        appendjsonstring(m_buffer, m_meta.progver);
        appendinteger(m_buffer, "timestamp", m_meta.timestamp);
        appendinteger(m_buffer, "clustersize", m_meta.clustersize);
        appendinteger(m_buffer, "whatifkb", m_meta.whatifkb);
        m_buffer += "},\n";
        name = m_rootname;
    } else if (m_pending && path == m_pendingpath) {
        m_pending = false;
        name = m_pendingname;
        m_buffer += ",\n";
    } else {
        return listing; // not part of the walk
    }
    m_buffer += '[';
    appendname(m_buffer, name);
    if (!listing) {
        m_buffer += ",\"read_error\":true}]";
        flush(false);
        return listing;
    }
    m_buffer += '}';
    ++m_open;
    flush(false);
    return std::make_unique<Listing>(*this, std::move(listing), path);
}

void ExportWriter::entry(const DirEntry& e)
{
    m_buffer += ",\n";
    if (e.isdir) { // a mount point
        m_buffer += '[';
        appendname(m_buffer, e.name);
        m_buffer += ",\"excluded\":\"otherfs\"}]";
        flush(false);
        return;
    }
    appendname(m_buffer, e.name);
    appendnumber(m_buffer, "asize", e.size);
    appendnumber(m_buffer, "dsize", e.compressed && e.ondisc >= 0 ? e.ondisc : e.allocated);
    if (e.mtime != UnknownTime)
        appendinteger(m_buffer, "mtime", e.mtime);
    if (e.links > 1) {
        appendunsigned(m_buffer, "ino", e.inode);
        appendinteger(m_buffer, "nlink", e.links);
        m_buffer += ",\"hlnkc\":true";
    }
    if (e.notregular)
        m_buffer += ",\"notreg\":true";
    if (e.compressed) // the walker counts such a file at its on-disc size
        m_buffer += ",\"compressed\":true";
    m_buffer += '}';
    flush(false);
}

void ExportWriter::pendingdone()
{
    m_pending = false;
    DirEntry mount;
    mount.name = m_pendingname;
    mount.isdir = true;
    mount.mountpoint = true;
    entry(mount);
}

void ExportWriter::close()
{
    m_buffer += ']';
    --m_open;
    flush(false);
}

void ExportWriter::flush(bool always)
{
    if (!always && m_buffer.size() < FlushAt)
        return;
    if (!m_buffer.empty())
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out);
    m_buffer.clear();
}

bool ExportWriter::finish()
{
    if (m_finished)
        return !std::ferror(m_out);
    m_finished = true;
    if (!m_started)
        return false;
    for (; m_open > 0; --m_open)
        m_buffer += ']';
    m_buffer += "]\n";
    flush(true);
    return std::fflush(m_out) == 0 && !std::ferror(m_out);
}

} // namespace qv
