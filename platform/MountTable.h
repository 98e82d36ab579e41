#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qv {

// One line of the mount table.
struct MountEntry
{
    std::string mountpoint; // unescaped: "\040" in the table is a blank here
    std::string fstype; // the kernel's type name: ext4, vfat, tmpfs, proc, fuse.sshfs ...
    std::string source; // device or remote name
};

// Reads /proc/self/mountinfo (or the given file of that format). An unreadable file gives no entries.
std::vector<MountEntry> readmounts(const std::string& mountinfo = "/proc/self/mountinfo");

// The set of mount points, for the walker's "is this directory another file system?" test, which must
// not touch the directory itself (a dead network mount would hang the walk).
class MountTable
{
public:
    MountTable() = default;
    explicit MountTable(const std::vector<MountEntry>& entries);
    static MountTable load() { return MountTable(readmounts()); }

    bool ismountpoint(const std::string& path) const { return m_points.count(path) != 0; }
    // True when some mount point lies directly in the directory dir, so that a lister need only look up
    // the entries of the few directories that hold one.
    bool holdsmountpoint(const std::string& dir) const { return m_parents.count(dir) != 0; }
    // No directory of a longer path holds a mount point: a lister can skip even building such paths.
    std::size_t longestparent() const { return m_longestparent; }
    bool empty() const { return m_points.empty(); }

private:
    std::unordered_set<std::string> m_points;
    std::unordered_set<std::string> m_parents;
    std::size_t m_longestparent = 0;
};

} // namespace qv
