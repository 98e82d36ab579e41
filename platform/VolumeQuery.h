#pragma once

#include <cstdint>
#include <string>

namespace qv {

// What the scan needs to know of the volume that holds a path.
struct VolumeInfo
{
    std::string root; // mount point of the file system holding the path; what the free-space text names
    // "FAT", "FAT16", "FAT32" or "NTFS" for those file systems, else the kernel's type name; empty if unknown
    std::string fsname;
    bool ok = false; // false when the size figures below could not be read
    std::uint32_t clustersize = 0; // bytes per cluster (fragment size)
    std::uint64_t freeclusters = 0;
    std::uint64_t totalfreebytes = 0;
};

class VolumeQuery
{
public:
    virtual ~VolumeQuery() = default;
    virtual VolumeInfo query(const std::string& path) = 0;
};

} // namespace qv
