#include "Scan.h"

#include "ClusterRules.h"
#include "DirLister.h"
#include "Labels.h"
#include "ScanRules.h"
#include "VolumeQuery.h"
#include "Walker.h"

namespace qv {

ScanSummary runscan(const ScanJob& job)
{
    const std::string path = job.path.empty() ? std::string(job.root->name()) : job.path;
    const VolumeInfo volume = job.volumes.query(path);
    const ClusterFigures figures = clusterrules(volume, job.ntfamily);

    ScanSummary summary;
    summary.clustersize = job.clustersize ? job.clustersize : figures.clustersize;
    summary.freespace = figures.freespace;
    summary.volumeroot = volume.root.empty() ? path : volume.root;

    WalkContext walk { job.arena, job.lister, job.sink, job.scanabort, summary.clustersize, job.whatifkb, job.diag };
    walk.rollup = true; // the roll-up goes along with the walk, not after it
    if (!job.below.empty() && !job.lister.openbelow(job.below, path))
        cantopen(job.diag, path);
    else
        dirwalk(walk, job.root, path);
    if (job.scanabort)
        return summary;

    summary.maxdepth = walk.maxdepth;
    summary.labelwidth = labelwidth(summary.maxdepth);
    summary.completed = true;
    return summary;
}

} // namespace qv
