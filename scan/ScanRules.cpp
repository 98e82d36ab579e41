#include "ScanRules.h"

#include "DirLister.h"
#include "Records.h"

namespace qv {

namespace {

// What names a file's group: the part from the last "." on, "." for a name without one.
std::string_view groupsuffix(std::string_view filename)
{
    const std::size_t dot = filename.rfind('.');
    return dot == std::string_view::npos ? std::string_view(".") : filename.substr(dot);
}

} // namespace

std::string groupname(std::string_view filename)
{
    const std::string_view suffix = groupsuffix(filename);
    std::string group;
    group.reserve(suffix.size() + 1);
    group.push_back('*');
    for (const char c : suffix)
        group.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    return group;
}

bool ingroup(std::string_view filename, std::string_view group)
{
    return group.starts_with('*') && namecmp(groupsuffix(filename), group.substr(1)) == 0;
}

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
