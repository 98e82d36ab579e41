#pragma once

#include "ScanSink.h"
#include "ScanValues.h"

#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace qv {

class DirLister;
class VolumeQuery;
struct ScanSummary;

// The two steps of a scan that touch the main window. Both run on the GUI thread while the scan thread
// waits for them, so they may read and write the records freely.
class ScanDisplay
{
public:
    virtual ~ScanDisplay() = default;
    // Removes every node of the tree view. The records the nodes show are released right after.
    virtual void emptytree() = 0;
    // Shows the tree of values.scanroot, which is summed; scan says how it was scanned (cluster size,
    // label width). Must take constant time whatever the tree's size: the scan thread waits for it.
    virtual void showtree(const ScanSummary& scan) = 0;
    // A rescan's result: puts fresh's subtree in place of dir's (splicesubtree) and shows it, the rest of
    // the view staying as it was; scan is the summary of the whole tree after the splice.
    virtual void showsubtree(dirrec* dir, dirrec* fresh, const ScanSummary& scan) = 0;
};

// A tree read from an export file rather than walked: made in the arena it is given, and only shown when
// completed; otherwise failure says why (one line), or the read was stopped.
struct ImportedTree
{
    bool completed = false;
    std::string failure;
    dirrec* root = nullptr;
    std::uint32_t clustersize = 4096;
    int maxdepth = 0;
    int labelwidth = 32;
    std::string endline; // what the status line says once the tree is shown, e.g. "Scan of /srv taken ..."
};
using Importer = std::function<ImportedTree(const std::string& file, RecordArena& arena, ScanSink& sink,
    const std::atomic<std::int32_t>& scanabort, const std::atomic<std::int32_t>& whatifkb)>;

// What one scan works with. Everything referred to must outlive the thread.
struct ScanServices
{
    ScanValues& values;
    VolumeQuery& volumes;
    // Makes the lister for this scan; called once, on the scan thread (the POSIX lister reads the mount
    // table when it is made).
    std::function<std::unique_ptr<DirLister>()> makelister;
    ScanSink& sink; // status texts, posted from the scan thread
    ScanDisplay& display;
    // Runs on the thread that made the QVMakeTree once the scan has ended (completed, aborted or with the
    // hand-overs cancelled). Connected before the thread starts, so it is never missed.
    std::function<void()> ended;
    // Reads values.exportfile when it is set, in place of the walk.
    Importer importer;
    // A rescan instead of a whole scan: this directory record of the summed tree on display is walked
    // again and its subtree replaced (see QVMakeTree).
    dirrec* rescan = nullptr;
};

// One scan from start to end on its own thread: releases the previous scan's records (after having the
// tree view emptied), queries the volume, walks values.scanpath, and unless aborted sums the tree, has
// the tree view filled and reports the free space. Construction (on the GUI thread) clears scanabort,
// sets scaninprogress and starts the thread; the thread clears both flags when it ends. A stop that comes
// before showtree runs on the GUI thread leaves the tree view empty.
//
// Status texts go to the sink in this order: the walker's texts, then (unless aborted)
// "Scan Complete Preparing Display..." and "Freespace on Drive <mount point> is <MB>MB".
//
// With values.exportfile set, the thread reads that export instead (the same texts as a walk, then the
// importer's end line in place of the free space) into records of its own, and only a complete read
// takes the place of the tree on display: a file that can't be read leaves the tree as it was and puts
// the reason on the status line.
//
// A rescan keeps the records and the tree view: it walks only services.rescan's directory, with the
// scan's cluster size and the same walker and texts, into fresh records, and unless stopped hands them
// to showsubtree. A stopped rescan leaves the tree as it was. Meanwhile the GUI thread goes on reading
// the records on display; the rescan only reads them until the hand-over.
class QVMakeTree : public QThread
{
    Q_OBJECT
public:
    explicit QVMakeTree(const ScanServices& services, QObject* parent = nullptr);
    // Waits for a running thread after cancelling its hand-overs.
    ~QVMakeTree() override;

    // GUI thread only, when the window goes away: every hand-over waiting or to come is refused, so the
    // scan thread never waits for a GUI thread that no longer runs its events. A refused hand-over ends
    // the scan at once, without touching the records again.
    void cancelhandovers();

    // Waits up to ms milliseconds (forever when negative) for the thread body to end; true once it has.
    // Everything the body did is visible to the caller afterwards (QThread::wait() synchronises through
    // locks that ThreadSanitizer cannot see, so the GUI thread waits here instead).
    bool waitended(int ms = -1);

protected:
    void run() override;

private:
    struct HandOver
    {
        std::mutex lock;
        std::condition_variable changed;
        bool cancelled = false;
        std::function<void()> call; // waiting for the GUI thread
        bool done = false; // call has run
    };

    // Runs fn on the GUI thread and waits until it has run; false when it was refused or cancelled.
    bool ongui(std::function<void()> fn);
    void runhandover(); // GUI thread
    // Shows "Scan Complete Preparing Display..." and runs show on the GUI thread unless the scan was stopped
    // meanwhile; true when it ran.
    bool display(const std::function<void()>& show);
    void body();
    void importbody(); // body() for an export file
    void rescanbody();

    ScanServices m_services;
    HandOver m_handover;
    std::mutex m_endlock;
    std::condition_variable m_endchanged;
    bool m_ended = false;
};

} // namespace qv
