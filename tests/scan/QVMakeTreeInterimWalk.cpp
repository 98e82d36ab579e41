// A minimal stand-in for dirwalk so the scan thread's tests link before the real walker is in the tree:
// subdirectories first-come, a group per extension, the entering/leaving status texts, the abort poll.
#include "DirLister.h"
#include "PathJoin.h"
#include "Walker.h"

namespace qv {

void dirwalk(WalkContext& ctx, dirrec* r, const std::string& path)
{
    const std::unique_ptr<DirListing> listing = ctx.lister.open(path);
    if (!listing)
        return;
    DirEntry e;
    while (!ctx.scanabort && listing->next(e)) {
        if (e.name == "." || e.name == "..")
            continue;
        const std::string full = joinpath(path, e.name);
        if (e.isdir) {
            ctx.sink.status(full);
            dirrec* d = nullptr;
            adddir(ctx.arena, r, e.name, &d);
            dirwalk(ctx, d, full);
            if (!ctx.scanabort)
                ctx.sink.status(full);
        } else {
            dirrec* g = nullptr;
            addgroup(ctx.arena, r, groupname(e.name), KindGroup, e.size, e.ondisc < 0 ? e.size : e.ondisc,
                Rounding { ctx.clustersize, ctx.whatifkb }, &g);
        }
    }
}

} // namespace qv
