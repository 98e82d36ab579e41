#include "PosixVolumeQuery.h"

#include "MountTable.h"
#include "PathJoin.h"

#include <cstdlib>
#include <sys/statvfs.h>

namespace qv {

PosixVolumeQuery::PosixVolumeQuery(std::string mountinfo)
    : m_mountinfo(std::move(mountinfo))
{
}

std::string PosixVolumeQuery::fsname(std::string_view fstype, std::uint64_t clusters)
{
    if (fstype == "vfat" || fstype == "msdos")
        return clusters < 4085 ? "FAT" : clusters < 65525 ? "FAT16" : "FAT32";
    if (fstype == "ntfs" || fstype == "ntfs3")
        return "NTFS";
    return std::string(fstype);
}

VolumeInfo PosixVolumeQuery::query(const std::string& path)
{
    VolumeInfo info;
    char* resolved = ::realpath(path.c_str(), nullptr);
    const std::string real = resolved ? resolved : path;
    std::free(resolved);

    // Of several file systems mounted on one point, the last one mounted is the one seen.
    std::string fstype;
    for (const MountEntry& e : readmounts(m_mountinfo)) {
        if (pathatorunder(real, e.mountpoint) && e.mountpoint.size() >= info.root.size()) {
            info.root = e.mountpoint;
            fstype = e.fstype;
        }
    }

    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) == 0) {
        info.ok = true;
        info.clustersize = static_cast<std::uint32_t>(vfs.f_frsize);
        info.freeclusters = vfs.f_bfree;
        info.totalfreebytes = static_cast<std::uint64_t>(vfs.f_bfree) * vfs.f_frsize;
    }
    if (!fstype.empty())
        info.fsname = fsname(fstype, info.ok ? vfs.f_blocks : 0);
    return info;
}

} // namespace qv
