// quorvane-readaheadsweep: the scan's walk of a tree with different numbers of read-ahead workers, for
// choosing how many the scan starts. The counts take turns for ROUNDS rounds, so all see the same cache
// state; with --cold the page cache is dropped before every walk (needs root).
//
//   quorvane-readaheadsweep [--cold] ROUNDS PATH COUNT...
#include "MountTable.h"
#include "PosixDirLister.h"
#include "Records.h"
#include "ScanSink.h"
#include "Walker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

class SilentSink : public ScanSink
{
public:
    void status(const std::string&) override { }
};

void dropcaches()
{
    ::sync();
    std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
}

// One walk of path with the given number of workers; returns its wall milliseconds.
double walkms(const std::string& path, int workers)
{
    const auto start = std::chrono::steady_clock::now();
    RecordArena arena;
    dirrec* root = arena.make(path, KindDirectory);
    PosixDirLister lister(MountTable::load());
    SilentSink sink;
    const std::atomic<std::int32_t> scanabort { 0 };
    const std::atomic<std::int32_t> whatifkb { 4 };
    WalkContext ctx { arena, lister, sink, scanabort, 4096, whatifkb, stderr, workers };
    dirwalk(ctx, root, path);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    int arg = 1;
    const bool cold = argc > 1 && std::strcmp(argv[1], "--cold") == 0;
    arg += cold;
    if (argc - arg < 3) {
        std::fprintf(stderr, "usage: quorvane-readaheadsweep [--cold] ROUNDS PATH COUNT...\n");
        return 2;
    }
    const int rounds = std::atoi(argv[arg]);
    const std::string path = argv[arg + 1];
    std::vector<int> counts;
    for (int i = arg + 2; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));

    if (!cold)
        walkms(path, 0); // warms the cache
    std::vector<std::vector<double>> times(counts.size());
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t k = 0; k < counts.size(); ++k) {
            if (cold)
                dropcaches();
            times[k].push_back(walkms(path, counts[k]));
        }
    }
    std::printf("| Workers | Runs ms | Median ms |\n|---:|---|---:|\n");
    for (std::size_t k = 0; k < counts.size(); ++k) {
        std::string runs;
        for (const double t : times[k])
            runs += (runs.empty() ? "" : ", ") + std::to_string(static_cast<int>(t));
        std::vector<double> sorted = times[k];
        std::sort(sorted.begin(), sorted.end());
        std::printf("| %d | %s | %.0f |\n", counts[k], runs.c_str(), sorted[sorted.size() / 2]);
    }
    return 0;
}
