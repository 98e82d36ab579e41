#include "RecolourTree.h"

#include "ScanValues.h"

namespace qv {

void RecolourTree(TreeColours& shown, const ColourRangeTable& table)
{
    shown.m_table = table;
}

bool hasfinishedtree(const ScanValues& values, const dirrec* shownroot)
{
    // The flag first: while a scan runs, the root may be one it is releasing.
    return values.scaninprogress.load() == 0 && values.scanroot && values.scanroot == shownroot;
}

} // namespace qv
