// libFuzzer target for the export reader: the input is the bytes of an export file (plain, or compressed
// when its first bytes say so). Oracle: the reader never fails without a reason and an offset within
// what it read, hands on only names an export may hold and sizes of 0 or more, and balances every
// directory it enters with a leave; what it read completely, written out again as an export of the same
// entries, reads back to the same entries.
#include "ExportReader.h"
#include "ExportWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace qv;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Writes what it is handed on as an export of its own.
class Rewrite : public ExportVisitor
{
public:
    std::string out = "[1,2,{}";
    int depth = 0;

    Step enter(const ExportEntry& dir) override
    {
        entry(dir, true);
        ++depth;
        return Continue;
    }
    Step file(const ExportEntry& f) override
    {
        check(depth > 0);
        entry(f, false);
        return Continue;
    }
    Step leave() override
    {
        check(depth > 0);
        --depth;
        out += ']';
        return Continue;
    }

private:
    void entry(const ExportEntry& e, bool isdir)
    {
        check(!e.name.empty() && e.name.size() <= MaxNameLength);
        check(e.name.find('\0') == std::string_view::npos);
        check(depth == 0 || e.name.find('/') == std::string_view::npos);
        check(e.asize >= 0);
        out += isdir ? ",[" : ",";
        out += "{\"name\":";
        appendjsonstring(out, e.name);
        out += ",\"asize\":" + std::to_string(static_cast<std::uint64_t>(e.asize));
        if (e.dsize >= 0)
            out += ",\"dsize\":" + std::to_string(static_cast<std::uint64_t>(e.dsize));
        if (e.mtime != UnknownTime)
            out += ",\"mtime\":" + std::to_string(e.mtime);
        if (e.readerror)
            out += ",\"read_error\":true";
        if (e.excluded)
            out += ",\"excluded\":\"pattern\"";
        if (e.notregular)
            out += ",\"notreg\":true";
        if (e.compressed)
            out += ",\"compressed\":true";
        out += '}';
    }
};

ExportResult read(const std::uint8_t* data, std::size_t size, Rewrite& visitor)
{
    std::FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!f) // fmemopen refuses an empty buffer
        f = std::fopen("/dev/null", "rb");
    const ExportResult r = readexport(f, visitor);
    std::fclose(f);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Rewrite first;
    const ExportResult r = read(data, size, first);
    if (!r.ok) {
        check(!r.what.empty());
        const bool compressed = size >= 2 && (data[0] == 0x1f || data[0] == 0x28);
        check(compressed || r.offset <= size);
        return 0;
    }
    check(first.depth == 0);
    const std::string written = first.out + "]\n";
    Rewrite second;
    const ExportResult again = read(reinterpret_cast<const std::uint8_t*>(written.data()), written.size(), second);
    check(again.ok && !again.stopped);
    check(second.out == first.out);
    return 0;
}
