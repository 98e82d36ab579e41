#include "Walker.h"

#include "DirLister.h"
#include "PathJoin.h"
#include "ReadAhead.h"
#include "ScanRules.h"

#include <memory>
#include <optional>
#include <vector>

namespace qv {
namespace {

// One directory being walked: what a recursive walker would keep on its stack frame.
struct Frame
{
    Frame(dirrec* r, std::string p, std::unique_ptr<DirListing> l)
        : record(r)
        , path(std::move(p))
        , listing(std::move(l))
        , index(r)
    {
    }
    dirrec* record;
    std::string path;
    std::unique_ptr<DirListing> listing;
    SiblingIndex index;
    int entries = 0; // since the last progress text
    int messages = 0; // progress texts posted
};

} // namespace

void dirwalk(WalkContext& ctx, dirrec* r, const std::string& path)
{
    // Workers listing ahead, when this machine has cores for them. Declared before the stack, so the
    // listings end before the workers do.
    std::optional<ReadAhead> ahead;
    const int workers = ctx.readahead < 0 ? readaheadworkers() : ctx.readahead;
    if (workers > 0)
        ahead.emplace(ctx.lister, workers, ctx.scanabort);
    DirLister& lister = ahead ? *ahead : ctx.lister;
    // The directories from r down to the one being read. Frames are heap blocks, so a reference to one
    // stays valid while deeper ones are pushed.
    std::vector<std::unique_ptr<Frame>> stack;
    bool aborted = false;
    auto stopped = [&]() {
        if (!aborted && ctx.scanabort.load(std::memory_order_relaxed) != 0)
            aborted = true;
        return aborted;
    };
    // Starts reading directory d at p; p is left as it was when the directory can't be listed.
    auto enter = [&](dirrec* d, std::string& p) {
        std::unique_ptr<DirListing> listing = lister.open(p);
        if (!listing) {
            cantopen(ctx.diag, p);
            return false;
        }
        stack.push_back(std::make_unique<Frame>(d, std::move(p), std::move(listing)));
        return true;
    };
    // Counts one entry of f; a progress text follows every 101 entries of one directory. Directories count
    // once their subtree is done.
    auto count = [&](Frame& f) {
        if (++f.entries > 100 && !stopped()) {
            ++f.messages;
            f.entries = 0;
            ctx.sink.status(f.path + "  Processed " + std::to_string(100 * f.messages) + " Files");
        }
    };
    // The parent's side of a subdirectory that is done: the path once more, then the count.
    auto leave = [&](Frame& parent, const std::string& full) {
        if (stopped())
            return;
        ctx.sink.status(full);
        count(parent);
    };

    std::string top = path;
    enter(r, top);
    DirEntry e;
    while (!stack.empty()) {
        Frame& f = *stack.back();
        if (stopped() || !f.listing->next(e)) {
            if (ctx.rollup && !stopped()) {
                sumchildren(f.record);
                const int level = static_cast<int>(stack.size()) - (f.record->child ? 0 : 1);
                if (level > ctx.maxdepth)
                    ctx.maxdepth = level;
            }
            std::string done = std::move(f.path);
            stack.pop_back(); // ends the listing before the parent goes on
            if (!stack.empty())
                leave(*stack.back(), done);
            continue;
        }
        if (pathtoolong(f.path, e.name)) {
            nametoolong(ctx.diag, f.path, e.name);
            continue;
        }
        if (e.isdir) {
            std::string full = joinpath(f.path, e.name);
            ctx.sink.status(full);
            dirrec* d = nullptr;
            adddir(ctx.arena, f.index, e.name, &d);
            // A mount point is recorded like any directory but never entered.
            if (!entered(f.path, e.name, e.isdir, e.mountpoint) || !enter(d, full))
                leave(f, full);
            continue;
        }
        const double nominal = e.size;
        const double ondisc = ondiscsize(e);
        const Rounding rounding { ctx.clustersize, ctx.whatifkb.load(std::memory_order_relaxed) };
        dirrec* g = nullptr;
        addgroup(ctx.arena, f.index, groupname(e.name), KindGroup, nominal, ondisc, rounding, &g);
        count(f);
    }
}

} // namespace qv
