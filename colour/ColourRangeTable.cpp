#include "ColourRangeTable.h"

namespace qv {

ColourRangeTable::ColourRangeTable()
    : m_ranges(defaults())
{
}

ColourRangeTable::Ranges ColourRangeTable::defaults()
{
    return { { { 1, 10240.0 }, { 2, 102400.0 }, { 3, 1024000.0 }, { 4, 10240000.0 }, { 5, 102400000.0 },
        { 6, 1024000000.0 }, { 7, 10240000000.0 }, { 8, 1024000000000000000.0 } } };
}

std::int8_t ColourOfSize(const ColourRangeTable& table, double size)
{
    int k = 1;
    while (k < ColourRangeTable::Count && size > table.range(k).bound)
        ++k;
    return table.range(k).colour;
}

} // namespace qv
