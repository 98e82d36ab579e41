#include "Walk.h"

#include "RecordChecks.h"
#include "Walker.h"

namespace qv::test {

dirrec* Walk::run(DirLister& lister, const std::string& path, std::uint32_t clustersize)
{
    root = arena.make(path, KindDirectory);
    WalkContext ctx { arena, lister, sink, scanabort, clustersize, whatifkb, diag.file(), readahead };
    ctx.rollup = rollup;
    dirwalk(ctx, root, path);
    maxdepth = ctx.maxdepth;
    checktree(root);
    return root;
}

} // namespace qv::test
