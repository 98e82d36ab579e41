#pragma once

#include "dirrec.h"

namespace qv {

// A rescan walks one directory of a summed tree into a fresh record of the same name and then puts that
// fresh subtree in place of the directory's old one, so that the tree equals a whole scan made now.

// fresh's children become dir's, dir's figures become fresh's, and the figures of every directory above dir
// are summed again from their children in list order, as rollup sums them, so they come out exactly as a
// whole scan's. fresh must be summed (rollup) and is left without children. dir's old children are
// unlinked from it but not changed: they stay valid until their arena is released.
void splicesubtree(dirrec* dir, dirrec* fresh);

// The maxdepth rollup would give the tree under root once dir's subtree is replaced by one freshdepth
// levels deep (rollup's maxdepth for fresh at depth 0). Reads the records only.
int splicedepth(const dirrec* root, const dirrec* dir, int freshdepth);

// The level of r below the scan root (the root is level 0).
int recordlevel(const dirrec* r);

} // namespace qv
