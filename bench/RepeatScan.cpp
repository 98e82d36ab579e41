// quorvane-repeatscan: several scans of one tree in a row in one process, the way the scan thread runs
// them (each releases the last one's records first), for checking that memory stays level from scan to
// scan. After each scan it prints the records held, the process's peak resident size so far and its
// resident size once the records are released again.
//
//   quorvane-repeatscan SCANS PATH
#include "MountTable.h"
#include "PathJoin.h"
#include "PosixDirLister.h"
#include "PosixVolumeQuery.h"
#include "Records.h"
#include "Scan.h"
#include "ScanSink.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>

using namespace qv;

namespace {

class SilentSink : public ScanSink
{
public:
    void status(const std::string&) override { }
};

long peakkib()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long residentkib()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

long records(const dirrec* r)
{
    long n = 1;
    for (const dirrec* c = r->child; c; c = c->next)
        n += records(c); // trees here are a few levels deep
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvane-repeatscan SCANS PATH\n");
        return 2;
    }
    const int scans = std::atoi(argv[1]);
    const std::string path = argv[2];
    RecordArena arena;
    PosixVolumeQuery volumes;
    PosixDirLister lister(MountTable::load());
    SilentSink sink;
    const std::atomic<std::int32_t> scanabort { 0 };
    const std::atomic<std::int32_t> whatifkb { 4 };
    std::printf("| Scan | Records | Peak RSS MiB | Bytes a record (peak) | RSS after release MiB |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    for (int i = 1; i <= scans; ++i) {
        arena.release();
        dirrec* root = arena.make(rootname(path), KindDirectory);
        runscan({ arena, root, volumes, lister, sink, scanabort, whatifkb });
        const long n = records(root);
        const long peak = peakkib();
        arena.release();
        std::printf(
            "| %d | %ld | %.1f | %.1f | %.1f |\n", i, n, peak / 1024.0, peak * 1024.0 / n, residentkib() / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}
