#pragma once

// One walk as the scan makes it, with its records, flags, recorded texts and diagnostics.
#include "DiagStream.h"
#include "Records.h"
#include "ScanFakes.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace qv {
class DirLister;
}

namespace qv::test {

struct Walk
{
    RecordArena arena;
    std::atomic<std::int32_t> scanabort { 0 };
    std::atomic<std::int32_t> whatifkb { 4 };
    RecordingSink sink;
    DiagStream diag;
    dirrec* root = nullptr;
    int readahead = 3; // workers read ahead whatever the machine; 0: the walker lists alone
    bool rollup = false; // each directory summed as its walk ends
    int maxdepth = 0; // with rollup: as the walk left it

    // Walks path into a new root record and checks the records' invariants (checktree()).
    dirrec* run(DirLister& lister, const std::string& path, std::uint32_t clustersize = 4096);
};

} // namespace qv::test
