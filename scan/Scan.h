#pragma once

#include "Records.h"
#include "ScanSink.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qv {

class DirLister;
class VolumeQuery;

// What one scan reads besides its records.
struct ScanJob
{
    RecordArena& arena;
    dirrec* root; // a directory record named rootname(path), with no children yet
    VolumeQuery& volumes;
    DirLister& lister;
    ScanSink& sink;
    const std::atomic<std::int32_t>& scanabort;
    const std::atomic<std::int32_t>& whatifkb;
    bool ntfamily = true;
    std::uint32_t clustersize = 0; // rounds to this many bytes; 0: the volume's, by its cluster rules
    // A rescan: the directory walked (else root's name), and the scan root it lies below. It is walked only
    // when it opens from there without following a link or entering a mount point, as the whole scan would
    // have entered it; otherwise it is one that can't be opened.
    std::string path {};
    std::string below {};
    std::FILE* diag = stderr; // the walker's diagnostics
};

// What the rest of the program shows of a scan.
struct ScanSummary
{
    bool completed = false; // false when stopped: the records then are partial and unsummed
    std::uint32_t clustersize = 4096;
    double freespace = 0; // bytes, by the volume's cluster rules
    std::string volumeroot; // the mount point the free space is reported for
    int maxdepth = 0;
    int labelwidth = 32;
};

// One scan on the calling thread: queries the volume of the path, walks it into job.root and,
// unless stopped, sums the records and works out the label width. The scan thread and the headless tool
// both run exactly this.
ScanSummary runscan(const ScanJob& job);

} // namespace qv
