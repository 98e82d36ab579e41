#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace qv {

struct DirEntry;

// The rules the walker and the detail list share, so that a group's rows add up to what the scan counted.

// Longest path a directory and an entry name may form, with the separator and the terminator counted.
constexpr std::size_t PathLimit = 4095;

// True when directory dir and entry name make a path past PathLimit: the entry is left out then.
constexpr bool pathtoolong(std::string_view dir, std::string_view name)
{
    return dir.size() + name.size() + 2 > PathLimit;
}

// True when the walk goes into the entry name of directory dir: a directory that is no mount point and
// whose path stays within PathLimit. The read-ahead lists exactly these.
constexpr bool entered(std::string_view dir, std::string_view name, bool isdir, bool mountpoint)
{
    return isdir && !mountpoint && !pathtoolong(dir, name);
}

// The file-type group of a file name: "*" and the part from the last "." on, a-z upper-cased;
// "*." for a name without a ".".
std::string groupname(std::string_view filename);

// True when the file name belongs to group, a group name: namecmp(groupname(filename), group) == 0,
// without building the group name.
bool ingroup(std::string_view filename, std::string_view group);

// The space a listed file takes before cluster rounding: a compressed file's on-disc size when it could
// be read, the nominal size otherwise.
double ondiscsize(const DirEntry& entry);

// Writes "\ndirwalk function: can't open <what>\n" to diag.
void cantopen(std::FILE* diag, std::string_view what);

// Writes "\ndirwalk: name <where>/<name> too long\n" to diag.
void nametoolong(std::FILE* diag, std::string_view where, std::string_view name);

} // namespace qv
