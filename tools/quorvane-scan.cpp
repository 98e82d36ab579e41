// quorvane-scan: the program's scan engine without its windows (the man page is quorvane-scan.1).
//
//   quorvane-scan [--cluster BYTES] [--whatif KB] [--status] [--details] [--export FILE] PATH
//   quorvane-scan [--cluster BYTES] [--whatif KB] [--status] [--details] --import FILE
//
// Walks PATH like the program does (or reads an export in the ncdu JSON format instead) and prints one
// line per record in tree order (the scan root first, every record's children in list order):
// "<level>\t<state image>\t<label>", level 0 being the root. With --details, each file-type group's line
// is followed by the group's detail list as the program shows it (the directory listed afresh, sorted by
// name), one line a file: "\t<name>\t<Size>\t<Space Used>\t<What If>\t<Modified>\t<state image>".
// --export writes the walk to FILE as it goes ("-": standard output, and no tree is printed).
#include "ClusterRules.h"
#include "ColourRangeTable.h"
#include "DetailRows.h"
#include "DisplayText.h"
#include "ExportDirectory.h"
#include "ExportWriter.h"
#include "Import.h"
#include "Labels.h"
#include "MountTable.h"
#include "PathJoin.h"
#include "PosixDirLister.h"
#include "PosixVolumeQuery.h"
#include "Scan.h"
#include "TreePrint.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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
    std::optional<std::int32_t> whatifkb;
    std::string exportfile;
    std::string importfile;
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
        // Big blocks of lines (the tree's) go out as they are, without a copy.
        if (m_buffer.empty() && s.size() >= (1u << 16)) {
            std::fwrite(s.data(), 1, s.size(), stdout);
            return;
        }
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
            std::int32_t kb = 0;
            if (!positive(argv[++i], kb))
                return false;
            opts.whatifkb = kb;
        } else if (arg == "--export" && i + 1 < argc && *argv[i + 1]) {
            opts.exportfile = argv[++i];
        } else if (arg == "--import" && i + 1 < argc && *argv[i + 1]) {
            opts.importfile = argv[++i];
        } else if (arg.starts_with("-") || arg.empty() || !opts.path.empty()) {
            return false; // an unknown option, an option without its value, or a second path
        } else {
            opts.path = arg;
        }
    }
    if (!opts.importfile.empty())
        return opts.path.empty() && opts.exportfile.empty() && !(opts.details && opts.importfile == "-");
    return !opts.path.empty();
}

// The absolute path an export names its root by.
std::string absolutepath(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    std::string result = real ? std::string(real) : path;
    std::free(real);
    return result;
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
    preorder(root, [&](const dirrec* n, int level) {
        appendtreeline(out.buffer(), *n, level, W, colours);
        out.lineend();
        if (n->kind == KindGroup)
            details(*n);
    });
}

// Scans opts.path the way the scan thread does and prints it, writing the export on the way when asked.
int scanandprint(const Options& opts, Output& out)
{
    RecordArena arena;
    dirrec* root = arena.make(rootname(opts.path), KindDirectory);
    PosixVolumeQuery volumes;
    PosixDirLister lister(MountTable::load());
    StderrSink loud;
    SilentSink quiet;
    const std::atomic<std::int32_t> scanabort { 0 };
    const std::int32_t kb = opts.whatifkb.value_or(4);
    const std::atomic<std::int32_t> whatifkb { kb };
    // The export's header names the cluster size, so it is settled before the walk, as runscan() would.
    const std::uint32_t clustersize
        = opts.clustersize.value_or(clusterrules(volumes.query(std::string(root->name())), true).clustersize);

    std::FILE* exportfile = nullptr;
    if (opts.exportfile == "-") {
        exportfile = stdout;
    } else if (!opts.exportfile.empty() && !(exportfile = std::fopen(opts.exportfile.c_str(), "wb"))) {
        std::fprintf(stderr, "quorvane-scan: %s: can't write it: %s\n", opts.exportfile.c_str(), std::strerror(errno));
        return 2;
    }
    std::optional<ExportWriter> writer;
    if (exportfile)
        writer.emplace(lister, exportfile, ExportMeta { QUORVANE_VERSION, std::time(nullptr), clustersize, kb },
            absolutepath(opts.path));
    const ScanSummary scan = runscan({ arena, root, volumes, writer ? static_cast<DirLister&>(*writer) : lister,
        opts.status ? static_cast<ScanSink&>(loud) : quiet, scanabort, whatifkb, true, clustersize });
    if (writer) {
        const bool written = writer->finish() && (exportfile == stdout || std::fclose(exportfile) == 0);
        if (!written) {
            std::fprintf(stderr, "quorvane-scan: %s: can't write it\n", opts.exportfile.c_str());
            return 2;
        }
        if (exportfile == stdout)
            return 0;
    }

    const ColourRangeTable colours;
    const DetailParams params { scan.clustersize, kb, colours };
    if (opts.details)
        printtree(root, scan.labelwidth, out, [&](const dirrec& group) { printdetails(group, lister, params, out); });
    else
        printtreelines(root, scan.labelwidth, colours, [&](std::string_view text) { out.append(text); });
    return 0;
}

// Reads the export opts.importfile and prints its tree as a scan of what it holds would.
int importandprint(const Options& opts, Output& out)
{
    RecordArena arena;
    StderrSink loud;
    SilentSink quiet;
    const std::atomic<std::int32_t> scanabort { 0 };
    std::atomic<std::int32_t> whatifkb { opts.whatifkb.value_or(4) };
    const ImportJob job { arena, opts.status ? static_cast<ScanSink&>(loud) : quiet, scanabort, whatifkb,
        opts.clustersize.value_or(0), stderr, opts.whatifkb ? nullptr : &whatifkb };
    const ImportSummary summary = runimport(opts.importfile, job);
    if (!summary.completed) {
        const std::string name = opts.importfile == "-" ? "standard input" : opts.importfile;
        std::fprintf(stderr, "quorvane-scan: %s\n", summary.result.message(name).c_str());
        return 2;
    }
    ExportDirectory lister(opts.importfile);
    const ColourRangeTable colours;
    const DetailParams params { summary.clustersize, whatifkb.load(), colours };
    if (opts.details)
        printtree(summary.root, summary.labelwidth, out,
            [&](const dirrec& group) { printdetails(group, lister, params, out); });
    else
        printtreelines(summary.root, summary.labelwidth, colours, [&](std::string_view text) { out.append(text); });
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options opts;
    if (!parseargs(argc, argv, opts)) {
        std::fprintf(stderr,
            "usage: quorvane-scan [--cluster BYTES] [--whatif KB] [--status] [--details] [--export FILE] PATH\n"
            "       quorvane-scan [--cluster BYTES] [--whatif KB] [--status] [--details] --import FILE\n");
        return 2;
    }
    Output out;
    return opts.importfile.empty() ? scanandprint(opts, out) : importandprint(opts, out);
}
