#pragma once

#include "Records.h"
#include "ScanSink.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qv {

class DirLister;

// What one walk reads and writes besides the records.
struct WalkContext
{
    RecordArena& arena;
    DirLister& lister;
    ScanSink& sink;
    const std::atomic<std::int32_t>& scanabort; // polled before every entry
    std::uint32_t clustersize;
    const std::atomic<std::int32_t>& whatifkb; // read for every file, so a change applies from the next file
    std::FILE* diag = stderr; // the two diagnostics
    // Threads that list directories ahead of the walk (ReadAhead.h); negative: as many as suit this machine.
    int readahead = -1;
    // Set: each directory is summed as soon as its walk is done (rollup() for the whole tree, while the
    // records are still in the cache), and maxdepth ends as rollup() would leave it. Not after a stop.
    bool rollup = false;
    int maxdepth = 0;
};

// Walks the directory at path (no trailing "/" except for "/" itself) into r's subtree: one group per
// extension per directory, one record per subdirectory, depth first. Status texts go to the sink, the
// two diagnostics to ctx.diag. Iterative: any depth is safe. Stops at the abort flag. Whether or not
// workers read ahead, the records, texts and diagnostics are those of the walk listing alone.
void dirwalk(WalkContext& ctx, dirrec* r, const std::string& path);

} // namespace qv
