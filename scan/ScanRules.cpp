#include "ScanRules.h"

#include "DirLister.h"

namespace qv {

double ondiscsize(const DirEntry& entry)
{
    return entry.compressed && entry.ondisc >= 0 ? entry.ondisc : entry.size;
}

void cantopen(std::FILE* diag, std::string_view what)
{
    std::fprintf(diag, "\ndirwalk function: can't open %.*s\n", static_cast<int>(what.size()), what.data());
}

void nametoolong(std::FILE* diag, std::string_view where, std::string_view name)
{
    std::fprintf(diag, "\ndirwalk: name %.*s/%.*s too long\n", static_cast<int>(where.size()), where.data(),
        static_cast<int>(name.size()), name.data());
}

} // namespace qv
