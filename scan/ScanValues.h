#pragma once

#include "RecordArena.h"
#include "dirrec.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace qv {

// The scan-wide values one program instance shares between the GUI thread and the scan thread.
// The flags and whatifkb are atomics: the GUI thread writes them while the scan thread reads them.
// The records are written by the scan thread only while scaninprogress is set, and read by the GUI
// thread only while it is clear (or inside a synchronous hand-over from the scan thread).
struct ScanValues
{
    RecordArena arena; // owns every record of the current scan
    dirrec* scanroot = nullptr;
    std::uint32_t clustersize = 4096;
    std::atomic<std::int32_t> whatifkb { 4 };
    std::int32_t maxdepth = 0;
    std::int32_t labelwidth = 32;
    std::string scanpath;
    std::atomic<std::int32_t> scaninprogress { 0 };
    std::atomic<std::int32_t> scanabort { 0 };
    bool ntfamily = true; // Linux reports the real cluster size
    // The records were read from an export file, not walked: nothing of them is on this machine's disc to
    // show in a file manager or to rescan. Set by the import, cleared by a scan.
    bool imported = false;
};

} // namespace qv
