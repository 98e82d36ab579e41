#include "ClusterRules.h"

namespace qv {

ClusterFigures clusterrules(const VolumeInfo& volume, bool ntfamily)
{
    ClusterFigures f;
    if (!volume.ok || volume.clustersize == 0)
        return f;
    const std::string& fs = volume.fsname;
    f.clustersize = volume.clustersize;
    if (fs == "FAT16" || fs == "FAT") {
        const std::uint32_t product = static_cast<std::uint32_t>(volume.freeclusters) * volume.clustersize;
        f.freespace = product;
        return f;
    }
    f.freespace = static_cast<double>(volume.totalfreebytes);
    if (fs == "FAT32")
        f.clustersize = 4096;
    else if (fs == "NTFS" && !ntfamily && f.clustersize > 4096)
        f.clustersize = 4096;
    return f;
}

} // namespace qv
