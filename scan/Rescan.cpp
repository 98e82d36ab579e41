#include "Rescan.h"

#include <algorithm>

namespace qv {

void splicesubtree(dirrec* dir, dirrec* fresh)
{
    dir->child = fresh->child;
    fresh->child = nullptr;
    for (dirrec* c = dir->child; c; c = c->next)
        c->parent = dir;
    dir->bytes = fresh->bytes;
    dir->space = fresh->space;
    dir->whatif = fresh->whatif;
    dir->count = fresh->count;
    for (dirrec* a = dir->parent; a; a = a->parent) {
        a->bytes = a->space = a->whatif = 0;
        a->count = 0;
        for (const dirrec* c = a->child; c; c = c->next) {
            a->bytes += c->bytes;
            a->count += c->count;
            a->space += c->space;
            a->whatif += c->whatif;
        }
    }
}

int splicedepth(const dirrec* root, const dirrec* dir, int freshdepth)
{
    int deepest = recordlevel(dir) + freshdepth;
    // Depth first through everything but dir's subtree.
    const dirrec* n = root;
    int d = 0;
    for (;;) {
        deepest = std::max(deepest, d);
        if (n != dir && n->child) {
            n = n->child;
            ++d;
            continue;
        }
        while (n != root && !n->next) {
            n = n->parent;
            --d;
        }
        if (n == root)
            return deepest;
        n = n->next;
    }
}

int recordlevel(const dirrec* r)
{
    int level = 0;
    for (const dirrec* p = r->parent; p; p = p->parent)
        ++level;
    return level;
}

} // namespace qv
