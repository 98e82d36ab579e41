#pragma once

#include "VolumeQuery.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The volume queries of this system: the mount table names the file system holding a path (the longest
// mount point that is a leading part of the path's real path, so a path through a link finds the file
// system it leads to) and statvfs() gives the sizes.
class PosixVolumeQuery : public VolumeQuery
{
public:
    // mountinfo: the mount table to read, /proc/self/mountinfo unless a test gives another.
    explicit PosixVolumeQuery(std::string mountinfo = "/proc/self/mountinfo");
    VolumeInfo query(const std::string& path) override;

    // The name the program shows for a kernel file-system type: vfat and msdos by their cluster count as
    // "FAT" (under 4085), "FAT16" (under 65525) or "FAT32"; ntfs and ntfs3 as "NTFS"; others unchanged.
    static std::string fsname(std::string_view fstype, std::uint64_t clusters);

private:
    std::string m_mountinfo;
};

} // namespace qv
