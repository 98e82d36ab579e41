// quorvane-scan: the program's scan engine without its windows, for developers and the benchmarks.
//
//   quorvane-scan [--cluster BYTES] [--whatif KB] [--status] [--details] PATH
//
// Walks PATH like the program does and prints one line per record in tree order (the scan root first,
// every record's children in list order): "<level>\t<state image>\t<label>", level 0 being the root.
// With --details, each file-type group's line is followed by the group's detail list as the program
// shows it (the directory listed afresh, sorted by name), one line a file:
// "\t<name>\t<Size>\t<Space Used>\t<What If>\t<Modified>\t<state image>".
#include "ColourRangeTable.h"
#include "DetailRows.h"
#include "DisplayText.h"
#include "Labels.h"
#include "MountTable.h"
#include "PathJoin.h"
#include "PosixDirLister.h"
#include "PosixVolumeQuery.h"
#include "Scan.h"
#include "TreePrint.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

using namespace qv;

namespace {

struct Options
{
    std::string path;
    std::optional<std::uint32_t> clustersize;
    std::int32_t whatifkb = 4;
    bool status = false;
    bool details = false;
};

// Standard output through one big buffer: a scan can print millions of lines.
class Output
{
public:
    ~Output() { flush(); }
    void append(std::string_view s)
    {
        m_buffer.append(s);
        lineend();
    }
    // Lines are written straight into the buffer; lineend() after each.
    std::string& buffer() { return m_buffer; }
    void lineend()
    {
        if (m_buffer.size() >= (1u << 20))
            flush();
    }
    void flush()
    {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout);
        m_buffer.clear();
    }

private:
    std::string m_buffer;
};

class StderrSink : public ScanSink
{
public:
    // Display text, as the status line shows it: a control byte in a name never splits the line.
    void status(const std::string& text) override
    {
        std::fprintf(stderr, "status: %s\n", displaytext(text).toUtf8().constData());
    }
};

class SilentSink : public ScanSink
{
public:
    void status(const std::string&) override { }
};

template <typename T> bool positive(const char* text, T& value)
{
    const char* end = text + std::strlen(text);
    const auto [at, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && at == end && value > 0;
}

bool parseargs(int argc, char** argv, Options& opts)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--status") {
            opts.status = true;
        } else if (arg == "--details") {
            opts.details = true;
        } else if (arg == "--cluster" && i + 1 < argc) {
            std::uint32_t bytes = 0;
            if (!positive(argv[++i], bytes))
                return false;
            opts.clustersize = bytes;
        } else if (arg == "--whatif" && i + 1 < argc) {
            if (!positive(argv[++i], opts.whatifkb))
                return false;
        } else if (arg.starts_with("-") || arg.empty() || !opts.path.empty()) {
            return false; // an unknown option, an option without its value, or a second path
        } else {
            opts.path = arg;
        }
    }
    return !opts.path.empty();
}

// Prints a group's detail rows, one line each.
void printdetails(const dirrec& group, DirLister& lister, const DetailParams& params, Output& out)
{
    std::string line;
    const DetailRows rows = detailrows(group, lister, params);
    for (const DetailRow& row : rows) {
        line = '\t';
        line += rows.caption(row).toUtf8().toStdString();
        for (const QString& text : { row.sizetext(), row.spacetext(), row.whatiftext(), row.modifiedtext() }) {
            line += '\t';
            line += text.toStdString();
        }
        line += '\t';
        line += std::to_string(row.stateimage);
        line += '\n';
        out.append(line);
    }
}

// Prints the records from root down in pre-order, each group's line followed by its detail rows.
// Without recursion: any depth is safe.
void printtree(const dirrec* root, int W, Output& out, const std::function<void(const dirrec&)>& details)
{
    const ColourRangeTable colours;
    const dirrec* n = root;
    int level = 0;
    while (n) {
        appendtreeline(out.buffer(), *n, level, W, colours);
        out.lineend();
        if (n->kind == KindGroup)
            details(*n);
        if (n->child) {
            n = n->child;
            ++level;
            continue;
        }
        while (n != root && !n->next) {
            n = n->parent;
            --level;
        }
        n = n == root ? nullptr : n->next;
    }
}

// Scans opts.path the way the scan thread does and prints it.
void scanandprint(const Options& opts, Output& out)
{
    RecordArena arena;
    dirrec* root = arena.make(rootname(opts.path), KindDirectory);
    PosixVolumeQuery volumes;
    PosixDirLister lister(MountTable::load());
    StderrSink loud;
    SilentSink quiet;
    const std::atomic<std::int32_t> scanabort { 0 };
    const std::atomic<std::int32_t> whatifkb { opts.whatifkb };
    const ScanSummary scan = runscan({ arena, root, volumes, lister, opts.status ? static_cast<ScanSink&>(loud) : quiet,
        scanabort, whatifkb, true, opts.clustersize.value_or(0) });

    const ColourRangeTable colours;
    const DetailParams params { scan.clustersize, opts.whatifkb, colours };
    if (opts.details)
        printtree(root, scan.labelwidth, out, [&](const dirrec& group) { printdetails(group, lister, params, out); });
    else
        printtreelines(root, scan.labelwidth, colours, [&](std::string_view text) { out.append(text); });
}

} // namespace

int main(int argc, char** argv)
{
    Options opts;
    if (!parseargs(argc, argv, opts)) {
        std::fprintf(stderr, "usage: quorvane-scan [--cluster BYTES] [--whatif KB] [--status] [--details] PATH\n");
        return 2;
    }
    Output out;
    scanandprint(opts, out);
    return 0;
}
