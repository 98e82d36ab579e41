#pragma once

#include "VolumeQuery.h"

#include <cstdint>

namespace qv {

// The cluster size a scan rounds to and the free space it reports, from the volume's figures.
struct ClusterFigures
{
    std::uint32_t clustersize = 4096; // bytes, never 0
    double freespace = 0; // F, bytes
};

// By file-system name:
//   "FAT16", "FAT": the reported cluster size; F = free clusters x cluster size as a 32-bit unsigned product
//   "FAT32":        4096 whatever the volume reports; F = total free bytes
//   "NTFS":         the reported cluster size, but at most 4096 unless ntfamily; F = total free bytes
//   any other:      the reported cluster size; F = total free bytes
// A failed query (ok false or a cluster size of 0) gives 4096 and F = 0.
ClusterFigures clusterrules(const VolumeInfo& volume, bool ntfamily);

} // namespace qv
