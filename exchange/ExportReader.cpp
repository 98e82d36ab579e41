#include "ExportReader.h"

#include "EntryPipe.h"
#include "ExportInput.h"

#include <cstring>
#include <limits>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#include <thread>
#include <vector>

// RapidJSON copies a string from a stream of its own kind byte by byte, each through the stream's Peek()
// and Take(); from an export's blocks it can copy the runs that need no unescaping at once.
template <>
template <>
inline void
rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, rapidjson::CrtAllocator>::ScanCopyUnescapedString(
    qv::ExportInput& is, StackStream<char>& os)
{
    const char* const begin = is.current();
    const char* const end = begin + is.available();
    const char* p = begin;
    while (p != end && *p != '"' && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20)
        ++p;
    const auto n = static_cast<rapidjson::SizeType>(p - begin);
    if (n != 0) {
        std::memcpy(os.Push(n), begin, n);
        is.skip(n);
    }
}

namespace qv {
namespace {

constexpr std::uint64_t MaxSize = std::numeric_limits<std::int64_t>::max();

// A JSON number as the reader hands it over.
struct Number
{
    enum Kind { Unsigned, Negative, Fraction } kind;
    std::uint64_t u = 0; // Unsigned
    std::int64_t i = 0; // Negative
};

enum class Key {
    Other,
    Name,
    Asize,
    Dsize,
    Mtime,
    ReadError,
    Excluded,
    Notreg,
    Compressed,
    Progname,
    Progver,
    Timestamp,
    ClusterSize,
    WhatifKb
};

Key infokey(std::string_view k)
{
    if (k == "name")
        return Key::Name;
    if (k == "asize")
        return Key::Asize;
    if (k == "dsize")
        return Key::Dsize;
    if (k == "mtime")
        return Key::Mtime;
    if (k == "read_error")
        return Key::ReadError;
    if (k == "excluded")
        return Key::Excluded;
    if (k == "notreg")
        return Key::Notreg;
    if (k == "compressed")
        return Key::Compressed;
    return Key::Other;
}

Key metakey(std::string_view k)
{
    if (k == "progname")
        return Key::Progname;
    if (k == "progver")
        return Key::Progver;
    if (k == "timestamp")
        return Key::Timestamp;
    if (k == "clustersize")
        return Key::ClusterSize;
    if (k == "whatifkb")
        return Key::WhatifKb;
    return Key::Other;
}

// Tracks where in the export each JSON event falls and passes the entries on.
class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler>
{
public:
    Handler(ExportInput& input, ExportVisitor& visitor)
        : m_input(input)
        , m_visitor(visitor)
    {
    }

    bool failed() const { return !m_what.empty(); }
    bool stopped() const { return m_stopped; }
    const std::string& what() const { return m_what; }
    std::size_t offset() const { return m_offset; }

    bool Null() { return scalar(nullptr, nullptr, false); }
    bool Bool(bool b) { return scalar(nullptr, nullptr, b, true); }
    bool Int(int i) { return integer(i); }
    bool Int64(std::int64_t i) { return integer(i); }
    bool Uint(unsigned u) { return unsignedint(u); }
    bool Uint64(std::uint64_t u) { return unsignedint(u); }
    bool Double(double)
    {
        const Number n { Number::Fraction };
        return scalar(&n, nullptr, false);
    }
    bool String(const char* s, rapidjson::SizeType length, bool)
    {
        const std::string_view text(s, length);
        return scalar(nullptr, &text, false);
    }
    bool Key(const char* s, rapidjson::SizeType length, bool)
    {
        m_input.mark();
        const std::string_view k(s, length);
        m_key = m_stack.back().kind == Ctx::Info ? infokey(k)
            : m_stack.back().kind == Ctx::Meta   ? metakey(k)
                                                 : Key::Other;
        return true;
    }
    bool StartObject() { return start(false); }
    bool EndObject(rapidjson::SizeType) { return end(); }
    bool StartArray() { return start(true); }
    bool EndArray(rapidjson::SizeType) { return end(); }

private:
    enum class Ctx { Top, Meta, Dir, Info, Other };
    struct Frame
    {
        Ctx kind;
        int pos = 0; // Top: elements seen; Dir: 0 before its info object, 1 after
        bool isdir = false; // Info: of a directory
    };

    // The current key as an error names it (only known keys are ever named).
    std::string keyname() const
    {
        switch (m_key) {
        case Key::Asize:
            return "asize";
        case Key::Dsize:
            return "dsize";
        case Key::Mtime:
            return "mtime";
        case Key::ReadError:
            return "read_error";
        case Key::Notreg:
            return "notreg";
        case Key::Compressed:
            return "compressed";
        case Key::Timestamp:
            return "timestamp";
        case Key::ClusterSize:
            return "clustersize";
        case Key::WhatifKb:
            return "whatifkb";
        default:
            return "a value";
        }
    }

    bool fail(std::string what)
    {
        if (m_what.empty()) {
            m_what = std::move(what);
            m_offset = m_input.Tell();
        }
        return false;
    }
    bool step(ExportVisitor::Step s, std::size_t dir)
    {
        if (s == ExportVisitor::Stop) {
            m_stopped = true;
            return false;
        }
        if (s == ExportVisitor::Skip)
            m_muted = dir;
        return true;
    }
    bool muted() const { return m_muted != NotMuted; }

    bool integer(std::int64_t i)
    {
        if (i >= 0)
            return unsignedint(static_cast<std::uint64_t>(i));
        const Number n { Number::Negative, 0, i };
        return scalar(&n, nullptr, false);
    }
    bool unsignedint(std::uint64_t u)
    {
        const Number n { Number::Unsigned, u };
        return scalar(&n, nullptr, false);
    }

    // A size: a whole number from 0 to 2^63 - 1.
    bool size(const Number* n, double& out)
    {
        if (!n)
            return fail(keyname() + " is not a number");
        if (n->kind != Number::Unsigned || n->u > MaxSize)
            return fail(keyname() + " out of range");
        out = static_cast<double>(n->u);
        return true;
    }
    bool time(const Number* n, std::int64_t& out)
    {
        if (!n)
            return fail(keyname() + " is not a number");
        if (n->kind == Number::Fraction || (n->kind == Number::Unsigned && n->u > MaxSize)
            || (n->kind == Number::Negative && n->i == UnknownTime))
            return fail(keyname() + " out of range");
        out = n->kind == Number::Unsigned ? static_cast<std::int64_t>(n->u) : n->i;
        return true;
    }
    bool flag(bool isbool, bool b, bool& out)
    {
        if (!isbool)
            return fail(keyname() + " is not true or false");
        out = b;
        return true;
    }

    // Any value that is not an array or an object.
    bool scalar(const Number* n, const std::string_view* s, bool b, bool isbool = false)
    {
        m_input.mark();
        if (m_stack.empty())
            return fail("not an export: it is not a JSON array");
        Frame& f = m_stack.back();
        switch (f.kind) {
        case Ctx::Top:
            return topvalue(f, n);
        case Ctx::Dir:
            return fail("a directory holds something that is not an entry");
        case Ctx::Other:
            return true;
        case Ctx::Meta:
            return metavalue(n, s);
        case Ctx::Info:
            break;
        }
        switch (m_key) {
        case Key::Name:
            if (!s)
                return fail("name is not a string");
            if (s->size() > MaxNameLength)
                return fail("name too long");
            m_name.assign(*s);
            m_hasname = true;
            return true;
        case Key::Asize:
            return size(n, m_entry.asize);
        case Key::Dsize:
            return size(n, m_entry.dsize);
        case Key::Mtime:
            return time(n, m_entry.mtime);
        case Key::ReadError:
            return flag(isbool, b, m_entry.readerror);
        case Key::Notreg:
            return flag(isbool, b, m_entry.notregular);
        case Key::Compressed:
            return flag(isbool, b, m_entry.compressed);
        case Key::Excluded:
            if (!s && !isbool)
                return fail("excluded is not a string");
            m_entry.excluded = s || b;
            return true;
        default:
            return true;
        }
    }

    bool topvalue(Frame& f, const Number* n)
    {
        const int pos = f.pos++;
        if (pos == 0) {
            if (!n || n->kind != Number::Unsigned)
                return fail("not an export: the version is not a number");
            if (n->u != 1)
                return fail("unsupported major version " + std::to_string(n->u));
            return true;
        }
        if (pos == 1) {
            if (!n || n->kind != Number::Unsigned)
                return fail("not an export: the minor version is not a number");
            m_header.minor = n->u;
            return true;
        }
        return fail(pos == 2 ? "the metadata is not an object"
                : pos == 3   ? "the root is not a directory"
                             : "something follows the root directory");
    }

    bool metavalue(const Number* n, const std::string_view* s)
    {
        switch (m_key) {
        case Key::Progname:
            if (s)
                m_header.progname.assign(s->substr(0, 200));
            return true;
        case Key::Progver:
            if (s)
                m_header.progver.assign(s->substr(0, 200));
            return true;
        case Key::Timestamp:
            return !n || time(n, m_header.timestamp);
        case Key::ClusterSize:
        case Key::WhatifKb:
            if (!n || n->kind != Number::Unsigned || n->u == 0 || n->u > (1u << 30))
                return fail(keyname() + " out of range");
            if (m_key == Key::ClusterSize)
                m_header.clustersize = static_cast<std::uint32_t>(n->u);
            else
                m_header.whatifkb = static_cast<std::int32_t>(n->u);
            return true;
        default:
            return true;
        }
    }

    bool start(bool array)
    {
        m_input.mark();
        if (m_stack.size() >= static_cast<std::size_t>(MaxNesting))
            return fail("nesting too deep");
        if (m_stack.empty()) {
            if (!array)
                return fail("not an export: it is not a JSON array");
            m_stack.push_back({ Ctx::Top });
            return true;
        }
        Frame& f = m_stack.back();
        switch (f.kind) {
        case Ctx::Top: {
            const int pos = f.pos++;
            if (pos == 2 && !array) {
                m_stack.push_back({ Ctx::Meta });
                return true;
            }
            if (pos == 3 && array) {
                m_stack.push_back({ Ctx::Dir });
                return true;
            }
            --f.pos;
            return topvalue(f, nullptr);
        }
        case Ctx::Dir:
            if (f.pos == 0 && array)
                return fail("a directory does not begin with its info object");
            if (array) {
                m_stack.push_back({ Ctx::Dir });
            } else {
                m_stack.push_back({ Ctx::Info, 0, f.pos == 0 });
                m_entry = ExportEntry {};
                m_hasname = false;
            }
            return true;
        case Ctx::Info:
            if (m_key == Key::Name)
                return fail("name is not a string");
            if (m_key == Key::ReadError || m_key == Key::Notreg || m_key == Key::Compressed)
                return fail(keyname() + " is not true or false");
            if (m_key == Key::Excluded)
                return fail("excluded is not a string");
            if (m_key != Key::Other)
                return fail(keyname() + " is not a number");
            break;
        case Ctx::Meta:
            if (m_key == Key::ClusterSize || m_key == Key::WhatifKb || m_key == Key::Timestamp)
                return fail(keyname() + " is not a number");
            break;
        case Ctx::Other:
            break;
        }
        m_stack.push_back({ Ctx::Other });
        return true;
    }

    bool end()
    {
        m_input.mark();
        const Frame f = m_stack.back();
        m_stack.pop_back();
        switch (f.kind) {
        case Ctx::Other:
            return true;
        case Ctx::Meta:
            if (m_header.progname != "quorvane") { // another program's keys of these names mean something else
                m_header.clustersize = 0;
                m_header.whatifkb = 0;
            }
            return step(m_visitor.header(m_header), NotMuted);
        case Ctx::Top:
            if (f.pos < 4)
                return fail("not an export: it has no root directory");
            return true;
        case Ctx::Dir: {
            if (f.pos == 0)
                return fail("a directory does not begin with its info object");
            if (m_muted == m_stack.size()) {
                m_muted = NotMuted; // its contents were skipped, its leave() with them
                return true;
            }
            return muted() || step(m_visitor.leave(), NotMuted);
        }
        case Ctx::Info:
            return info(f.isdir);
        }
        return true;
    }

    bool info(bool isdir)
    {
        if (!m_hasname)
            return fail("an entry has no name");
        const bool root = isdir && m_stack.size() == 2; // the top array and the root's own
        if (m_name.empty() || m_name.find('\0') != std::string::npos
            || (!root && m_name.find('/') != std::string::npos))
            return fail("invalid name");
        m_entry.name = m_name;
        if (!isdir)
            return muted() || step(m_visitor.file(m_entry), NotMuted);
        m_stack.back().pos = 1; // the directory's info object is done
        return muted() || step(m_visitor.enter(m_entry), m_stack.size() - 1);
    }

    static constexpr std::size_t NotMuted = static_cast<std::size_t>(-1);

    ExportInput& m_input;
    ExportVisitor& m_visitor;
    std::vector<Frame> m_stack;
    enum Key m_key = Key::Other;
    ExportHeader m_header;
    ExportEntry m_entry;
    std::string m_name;
    bool m_hasname = false;
    std::size_t m_muted = NotMuted; // index in m_stack of the directory whose contents are skipped
    bool m_stopped = false;
    std::string m_what;
    std::size_t m_offset = 0;
};

std::string parseerror(rapidjson::ParseErrorCode code)
{
    if (code == rapidjson::kParseErrorDocumentRootNotSingular)
        return "text after the end of the export";
    std::string text = rapidjson::GetParseError_En(code);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return "invalid JSON: " + text;
}

} // namespace

std::string ExportResult::message(std::string_view file) const
{
    std::string text(file);
    text += ": at byte ";
    text += std::to_string(offset);
    text += ": ";
    text += what;
    return text;
}

namespace {

ExportResult parse(ExportInput& input, ExportVisitor& visitor)
{
    ExportResult result;
    Handler handler(input, visitor);
    rapidjson::Reader reader;
    const rapidjson::ParseResult parsed = reader.Parse<rapidjson::kParseIterativeFlag>(input, handler);
    if (handler.stopped()) {
        result.ok = result.stopped = true;
    } else if (!input.error().empty()) {
        result.offset = input.erroroffset();
        result.what = input.error();
    } else if (handler.failed()) {
        result.offset = handler.offset();
        result.what = handler.what();
    } else if (parsed.IsError()) {
        result.offset = parsed.Offset();
        if (input.ended() && parsed.Offset() >= input.Tell())
            result.what = input.Tell() == 0 ? "the file is empty" : "truncated";
        else
            result.what = parseerror(parsed.Code());
    } else {
        result.ok = true;
    }
    return result;
}

// Parses on a thread of its own while this one hands the entries on: the parse is about half the work.
ExportResult read(ExportInput& input, bool opened, ExportVisitor& visitor)
{
    if (!opened) {
        ExportResult result;
        result.offset = input.erroroffset();
        result.what = input.error();
        return result;
    }
    EntryPipe pipe;
    std::thread parser([&] { pipe.finish(parse(input, pipe.sender())); });
    const ExportResult result = pipe.deliver(visitor);
    parser.join();
    return result;
}

} // namespace

ExportResult readexport(const std::string& path, ExportVisitor& visitor)
{
    ExportInput input;
    const bool opened = input.open(path);
    return read(input, opened, visitor);
}

ExportResult readexport(std::FILE* file, ExportVisitor& visitor)
{
    ExportInput input;
    const bool opened = input.open(file);
    return read(input, opened, visitor);
}

} // namespace qv
