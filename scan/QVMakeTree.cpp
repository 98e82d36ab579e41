#include "QVMakeTree.h"

#include "ClusterRules.h"
#include "DirLister.h"
#include "Labels.h"
#include "PathJoin.h"
#include "Records.h"
#include "VolumeQuery.h"
#include "Walker.h"

#include <QMetaObject>
#include <cstdio>
#include <exception>

namespace qv {

QVMakeTree::QVMakeTree(const ScanServices& services, QObject* parent)
    : QThread(parent)
    , m_services(services)
{
    if (m_services.ended)
        connect(this, &QThread::finished, this, [this] { m_services.ended(); });
    start();
}

QVMakeTree::~QVMakeTree()
{
    if (isRunning()) {
        cancelhandovers();
        wait();
    }
}

void QVMakeTree::cancelhandovers()
{
    {
        std::lock_guard guard(m_handover->lock);
        m_handover->cancelled = true;
    }
    m_handover->changed.notify_all();
}

bool QVMakeTree::ongui(std::function<void()> fn)
{
    // Qt's own locks are invisible to ThreadSanitizer; this one makes the hand-over's ordering visible.
    struct Call
    {
        bool done = false;
    };
    const std::shared_ptr<HandOver> h = m_handover;
    const auto call = std::make_shared<Call>();
    {
        std::lock_guard guard(h->lock);
        if (h->cancelled)
            return false;
    }
    const bool posted = QMetaObject::invokeMethod(
        this,
        [h, call, fn = std::move(fn)] {
            {
                std::lock_guard guard(h->lock);
                if (h->cancelled)
                    return;
            }
            try {
                fn();
            } catch (const std::exception& e) {
                std::fprintf(stderr, "quorvane: %s\n", e.what());
            }
            {
                std::lock_guard guard(h->lock);
                call->done = true;
            }
            h->changed.notify_all();
        },
        Qt::QueuedConnection);
    if (!posted)
        return false;
    std::unique_lock guard(h->lock);
    h->changed.wait(guard, [&] { return call->done || h->cancelled; });
    return call->done;
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
}

void QVMakeTree::body()
{
    ScanValues& v = m_services.values;
    // A stop that came too late for the previous scan must not end this one.
    v.scanabort = 0;
    v.scaninprogress = 1;

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
    v.scanroot = v.arena.make(path, KindDirectory);

    const VolumeInfo volume = m_services.volumes.query(path);
    const ClusterFigures figures = clusterrules(volume, v.ntfamily);
    v.clustersize = figures.clustersize;
    const std::string volumeroot = volume.root.empty() ? path : volume.root;

    const std::unique_ptr<DirLister> lister = m_services.makelister();
    WalkContext walk { v.arena, *lister, m_services.sink, v.scanabort, v.clustersize, v.whatifkb };
    dirwalk(walk, v.scanroot, path);
    if (v.scanabort)
        return;

    v.maxdepth = 0;
    rollup(v.scanroot, 0, v.maxdepth);
    m_services.sink.status("Scan Complete Preparing Display...");
    v.labelwidth = labelwidth(v.maxdepth);
    if (!ongui([this] { m_services.display.showtree(); }))
        return;

    char text[64];
    std::snprintf(text, sizeof text, "%9.1fMB", figures.freespace / 1048576);
    m_services.sink.status("Freespace on Drive " + volumeroot + " is " + text);
}

} // namespace qv
