#include "RecolourTree.h"

#include "ColourRangeTable.h"
#include "ScanValues.h"

namespace qv {

void RecolourTree(dirrec* r, const ColourRangeTable& table)
{
    if (!r)
        return;
    // Pre-order walk along the links themselves: down to the first child, else on to the next sibling,
    // else up until an ancestor below r has one.
    dirrec* c = r->child;
    while (c) {
        if (c->treenode >= 0)
            c->stateimage = ColourOfSize(table, c->space);
        if (c->child) {
            c = c->child;
            continue;
        }
        while (c != r && !c->next)
            c = c->parent;
        c = c == r ? nullptr : c->next;
    }
}

bool hasfinishedtree(const ScanValues& values)
{
    // The flag first: while a scan runs, the root may be one it is releasing.
    return values.scaninprogress.load() == 0 && values.scanroot && values.scanroot->treenode >= 0;
}

} // namespace qv
