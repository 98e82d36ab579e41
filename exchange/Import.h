#pragma once

#include "ExportReader.h"
#include "Records.h"
#include "ScanSink.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qv {

// What one import reads and writes besides the records: the walk's own context, with the export in place
// of the directory tree.
struct ImportJob
{
    RecordArena& arena;
    ScanSink& sink;
    const std::atomic<std::int32_t>& scanabort; // polled before every entry
    const std::atomic<std::int32_t>& whatifkb;
    std::uint32_t clustersize = 0; // 0: as the export says, or derived from it (importclustersize())
    std::FILE* diag = stderr; // the walk's two diagnostics
    // When set, takes the what-if size this program's exports carry (the scan's), before any file counts.
    std::atomic<std::int32_t>* filewhatif = nullptr;
};

// What the rest of the program shows of an import.
struct ImportSummary
{
    ExportResult result; // not ok: nothing of the records is to be shown
    ExportHeader header;
    dirrec* root = nullptr; // named by the export's root, made in job.arena
    bool completed = false; // read to the end and summed: neither failed nor stopped
    std::uint32_t clustersize = 4096;
    int maxdepth = 0;
    int labelwidth = 32;
};

// The cluster size an export's figures are rounded to when it names none of its own: the largest power
// of two, up to 64 KiB, that divides every non-zero disc usage of its files (1 when their usages are
// byte counts, as a cloud bucket's listing gives); 4096 when no file has one. Reads the whole file
// unless the export is this program's, which carries its cluster size. 0 when the file can't be read.
std::uint32_t importclustersize(const std::string& path, ExportResult* failure = nullptr);

// Reads the export at path into records, entry by entry, the way dirwalk() walks a directory: the same
// sibling index, group rule and cluster rounding, the same status texts and diagnostics (a directory the
// export marks unreadable gives the can't-open one; an excluded entry is a directory record that is not
// entered, like a mount point), and the same roll-up, each directory summed as it is left. Sizes the
// export gives for directories are ignored. With no cluster size from the job or the file, the file is
// read rounding to 4096 bytes while the same pass works out importclustersize(), and read once more only
// when that differs (never standard input). Stops at the abort flag.
ImportSummary runimport(const std::string& path, const ImportJob& job);

} // namespace qv
