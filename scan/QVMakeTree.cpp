#include "QVMakeTree.h"

#include "DirLister.h"
#include "Labels.h"
#include "PathJoin.h"
#include "Records.h"
#include "Rescan.h"
#include "Scan.h"
#include "SizeText.h"

#include <QMetaObject>
#include <chrono>
#include <cstdio>
#include <exception>

namespace qv {

QVMakeTree::QVMakeTree(const ScanServices& services, QObject* parent)
    : QThread(parent)
    , m_services(services)
{
    // Set here, on the thread that asks for the scan: a stop from now on stops this scan, and the records
    // are not to be read while it may release them.
    m_services.values.scanabort = 0;
    m_services.values.scaninprogress = 1;
    if (m_services.ended)
        connect(this, &QThread::finished, this, [this] { m_services.ended(); });
    start();
}

QVMakeTree::~QVMakeTree()
{
    cancelhandovers();
    waitended();
    wait(); // Qt's epilogue after the body
}

bool QVMakeTree::waitended(int ms)
{
    std::unique_lock guard(m_endlock);
    if (ms < 0) {
        m_endchanged.wait(guard, [&] { return m_ended; });
        return true;
    }
    return m_endchanged.wait_for(guard, std::chrono::milliseconds(ms), [&] { return m_ended; });
}

void QVMakeTree::cancelhandovers()
{
    std::lock_guard guard(m_handover.lock);
    m_handover.cancelled = true;
    m_handover.changed.notify_all();
}

bool QVMakeTree::ongui(std::function<void()> fn)
{
    // The call waits in m_handover, under a lock of our own: Qt's event queue hands the posted event over
    // under locks that ThreadSanitizer cannot see, so the event itself carries nothing but this object.
    {
        std::lock_guard guard(m_handover.lock);
        if (m_handover.cancelled)
            return false;
        m_handover.call = std::move(fn);
        m_handover.done = false;
    }
    if (!QMetaObject::invokeMethod(this, &QVMakeTree::runhandover, Qt::QueuedConnection))
        return false;
    std::unique_lock guard(m_handover.lock);
    m_handover.changed.wait(guard, [&] { return m_handover.done || m_handover.cancelled; });
    return m_handover.done;
}

void QVMakeTree::runhandover()
{
    std::function<void()> call;
    {
        std::lock_guard guard(m_handover.lock);
        if (m_handover.cancelled || !m_handover.call)
            return;
        call.swap(m_handover.call);
    }
    try {
        call();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvane: %s\n", e.what());
    }
    std::lock_guard guard(m_handover.lock);
    m_handover.done = true;
    m_handover.changed.notify_all();
}

void QVMakeTree::run()
{
    ScanValues& v = m_services.values;
    try {
        body();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvane: scan failed: %s\n", e.what());
    }
    v.scaninprogress = 0;
    v.scanabort = 0;
    // Notified under the lock: the waiter may destroy this object as soon as it sees m_ended.
    std::lock_guard guard(m_endlock);
    m_ended = true;
    m_endchanged.notify_all();
}

bool QVMakeTree::display(const std::function<void()>& show)
{
    m_services.sink.status("Scan Complete Preparing Display...");
    // A stop while the completion text shows still leaves the view as it was: the flag is tested again on
    // the GUI thread, where the stop button sets it.
    bool shown = false;
    return ongui([&] {
        if (m_services.values.scanabort == 0) {
            show();
            shown = true;
        }
    }) && shown;
}

void QVMakeTree::body()
{
    if (m_services.rescan) {
        rescanbody();
        return;
    }
    ScanValues& v = m_services.values;

    if (!v.exportfile.empty()) {
        importbody();
        return;
    }
    const std::string path = rootname(v.scanpath);
    if (path.empty())
        return;

    if (v.scanroot) {
        // The tree view's nodes refer to the records: empty it before they go.
        if (!ongui([this] { m_services.display.emptytree(); }))
            return;
        v.scanroot = nullptr;
        v.arena.release();
    }
    v.shownexport.set({});
    v.scanroot = v.arena.make(path, KindDirectory);

    const std::unique_ptr<DirLister> lister = m_services.makelister();
    const ScanSummary scan = runscan(
        { v.arena, v.scanroot, m_services.volumes, *lister, m_services.sink, v.scanabort, v.whatifkb, v.ntfamily });
    v.clustersize = scan.clustersize;
    if (!scan.completed)
        return;

    if (!display([&] { m_services.display.showtree(scan); }))
        return;

    m_services.sink.status(freespacetext(scan.volumeroot, scan.freespace));
}

void QVMakeTree::importbody()
{
    ScanValues& v = m_services.values;
    if (!m_services.importer)
        return;
    RecordArena fresh;
    const ImportedTree tree = m_services.importer(v.exportfile, fresh, m_services.sink, v.scanabort, v.whatifkb);
    if (!tree.completed) {
        if (!tree.failure.empty() && v.scanabort == 0)
            m_services.sink.status(tree.failure);
        return;
    }
    if (v.scanroot && !ongui([this] { m_services.display.emptytree(); }))
        return;
    // The tree on display gives way: its records go with the arena they are traded into.
    v.arena.swap(fresh);
    v.scanroot = tree.root;
    v.shownexport.set(v.exportfile);
    v.clustersize = tree.clustersize;
    ScanSummary summary;
    summary.completed = true;
    summary.clustersize = tree.clustersize;
    summary.maxdepth = tree.maxdepth;
    summary.labelwidth = tree.labelwidth;
    if (!display([&] { m_services.display.showtree(summary); }))
        return;
    m_services.sink.status(tree.endline);
}

void QVMakeTree::rescanbody()
{
    ScanValues& v = m_services.values;
    dirrec* dir = m_services.rescan;
    // New records only: those on display are read by the GUI thread until the hand-over.
    dirrec* fresh = v.arena.make(dir->name(), KindDirectory);
    const std::unique_ptr<DirLister> lister = m_services.makelister();
    ScanJob job { v.arena, fresh, m_services.volumes, *lister, m_services.sink, v.scanabort, v.whatifkb, v.ntfamily,
        v.clustersize };
    job.path = recordpath(*dir);
    job.below = std::string(v.scanroot->name());
    const ScanSummary scan = runscan(job);
    if (!scan.completed)
        return;

    // What the whole tree will show once the fresh subtree is in.
    ScanSummary whole = scan;
    whole.clustersize = v.clustersize;
    whole.maxdepth = splicedepth(v.scanroot, dir, scan.maxdepth);
    whole.labelwidth = labelwidth(whole.maxdepth);
    if (!display([&] { m_services.display.showsubtree(dir, fresh, whole); }))
        return;

    m_services.sink.status(freespacetext(scan.volumeroot, scan.freespace));
}

} // namespace qv
