#pragma once

#include "DirLister.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qv {

// The top of an export: version and metadata.
struct ExportHeader
{
    std::uint64_t minor = 0;
    std::string progname;
    std::string progver;
    std::int64_t timestamp = UnknownTime; // seconds since the epoch
    // Written by this program only (ignored from any other): the scan's cluster and what-if sizes.
    std::uint32_t clustersize = 0;
    std::int32_t whatifkb = 0;
};

// One entry of an export as its info object gives it. Sizes of directories are not passed on: a
// directory's figures are always those of its files.
struct ExportEntry
{
    std::string_view name; // valid during the call it is passed to
    double asize = 0; // nominal size
    double dsize = -1; // disc usage; negative when the entry gives none
    std::int64_t mtime = UnknownTime;
    bool readerror = false; // a directory that could not be listed
    bool excluded = false; // not entered by its scan: another file system, a pattern, a kernel file system
    bool notregular = false;
    bool compressed = false; // this program's mark of a file counted at its on-disc size
};

// Receives an export's entries in file order: a directory's enter(), its files and subdirectories, then
// its leave(). An entry given by an object (not an array) is passed to file() even when excluded.
class ExportVisitor
{
public:
    enum Step { Continue, Skip, Stop }; // Skip: the directory's contents are not passed on

    virtual ~ExportVisitor() = default;
    virtual Step header(const ExportHeader&) { return Continue; }
    virtual Step enter(const ExportEntry& dir) = 0;
    virtual Step file(const ExportEntry& file) = 0;
    virtual Step leave() = 0;
};

// How a read ended.
struct ExportResult
{
    bool ok = false; // read to the end, or stopped by the visitor
    bool stopped = false;
    std::size_t offset = 0; // of what was wrong, in the decompressed text
    std::string what; // what was wrong, e.g. "truncated"
    // "<file>: at byte <offset>: <what>"
    std::string message(std::string_view file) const;
};

// Longest name an entry may have (the root's being a path), and how deep arrays and objects may nest.
constexpr std::size_t MaxNameLength = 4095;
constexpr int MaxNesting = 4096;

// Reads the export at path (plain, gzip or zstd; "-" for standard input) in one pass, in memory that does
// not grow with its length, and hands its entries to visitor.
ExportResult readexport(const std::string& path, ExportVisitor& visitor);
// The same from an open file, read from where it stands.
ExportResult readexport(std::FILE* file, ExportVisitor& visitor);

} // namespace qv
