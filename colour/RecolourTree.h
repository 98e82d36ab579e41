#pragma once

#include "ColourRangeTable.h"
#include "dirrec.h"

#include <cstdint>

namespace qv {

struct ScanValues;

// The colour table the tree on display is drawn with. A node's disc is looked up from its record's space
// each time the node is painted, so no colour is stored per record and recolouring the whole tree is a
// copy of eight bands. The tree keeps the table it was built or last recoloured with: OK in the Colour
// Ranges dialog changes the program's table but not the discs on display.
class TreeColours
{
public:
    std::int8_t colourof(const dirrec& r) const { return ColourOfSize(m_table, r.space); }
    const ColourRangeTable& table() const { return m_table; }

private:
    friend void RecolourTree(TreeColours& shown, const ColourRangeTable& table);
    ColourRangeTable m_table;
};

// From now on every node of the shown tree, the root included, takes its disc from table. Constant time
// whatever the tree's size; the caller has the tree repainted.
void RecolourTree(TreeColours& shown, const ColourRangeTable& table);

// True when a finished scan's tree is on display: there is a scan root, the tree shows it (shownroot, null
// while the tree is empty), and no scan is running. Only then may the tree be recoloured; an aborted scan
// leaves the tree empty.
bool hasfinishedtree(const ScanValues& values, const dirrec* shownroot);

} // namespace qv
