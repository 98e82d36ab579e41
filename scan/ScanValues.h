#pragma once

#include "RecordArena.h"
#include "dirrec.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace qv {

// The scan-wide values one program instance shares between the GUI thread and the scan thread.
// The flags and whatifkb are atomics: the GUI thread writes them while the scan thread reads them.
// The records are written by the scan thread only while scaninprogress is set, and read by the GUI
// thread while it is clear, inside a synchronous hand-over from the scan thread, or while the tree shows
// them (from showtree until emptytree: a scan releases the previous records only after emptytree). What
// the tree shows of a scan (label width, cluster size) goes to the window with the scan's summary.
struct ScanValues
{
    RecordArena arena; // owns every record of the current scan
    dirrec* scanroot = nullptr;
    std::uint32_t clustersize = 4096; // of the scanned volume; the detail list rounds by it
    std::atomic<std::int32_t> whatifkb { 4 };
    std::string scanpath;
    // Set with scanpath, not while a scan runs: an export file to read in place of walking scanpath.
    std::string exportfile;
    // The export the tree on display was read from, empty for a walk's tree; the detail list's workers
    // read it, so it has a lock.
    class Source
    {
    public:
        void set(std::string file)
        {
            std::lock_guard guard(m_lock);
            m_file = std::move(file);
        }
        std::string get() const
        {
            std::lock_guard guard(m_lock);
            return m_file;
        }

    private:
        mutable std::mutex m_lock;
        std::string m_file;
    } shownexport;
    std::atomic<std::int32_t> scaninprogress { 0 };
    std::atomic<std::int32_t> scanabort { 0 };
    bool ntfamily = true; // Linux reports the real cluster size
};

} // namespace qv
