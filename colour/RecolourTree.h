#pragma once

#include "dirrec.h"

namespace qv {

class ColourRangeTable;
struct ScanValues;

// Sets the state image of every record below r (not r itself) that has a tree node to the colour the
// table gives its space figure, each record before its descendants. Iterative: any depth is safe. The
// caller repaints the tree and sets r's own node.
void RecolourTree(dirrec* r, const ColourRangeTable& table);

// True when a finished scan's tree is on display: there is a scan root, it has its node, and no scan is
// running. Only then may the records be recoloured; an aborted scan's records have no nodes.
bool hasfinishedtree(const ScanValues& values);

} // namespace qv
