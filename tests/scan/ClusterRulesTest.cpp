#include "ClusterRules.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(ClusterRules, EveryRowOfTheTable)
{
    struct Case
    {
        const char* fsname;
        bool ntfamily;
        std::uint32_t reported;
        std::uint32_t clustersize;
        double freespace;
    };
    // Free clusters 2,000,000; total free bytes 7,000,000,000 (deliberately not their product, so that the
    // test sees which figure a row takes).
    const std::uint64_t freeclusters = 2000000, totalfree = 7000000000;
    const Case cases[] = {
        { "FAT", true, 2048, 2048, 2000000.0 * 2048 }, // 32-bit product: 4,096,000,000 still fits
        { "FAT16", true, 32768, 32768, static_cast<double>((2000000ull * 32768) % (1ull << 32)) }, // wraps
        { "FAT32", true, 32768, 4096, 7000000000.0 },
        { "FAT32", false, 512, 4096, 7000000000.0 },
        { "NTFS", false, 8192, 4096, 7000000000.0 },
        { "NTFS", false, 4096, 4096, 7000000000.0 },
        { "NTFS", false, 2048, 2048, 7000000000.0 },
        { "NTFS", true, 8192, 8192, 7000000000.0 },
        { "ext4", false, 65536, 65536, 7000000000.0 },
        { "fat16", true, 8192, 8192, 7000000000.0 }, // names compare exactly
        { "", true, 1024, 1024, 7000000000.0 },
    };
    for (const Case& c : cases) {
        VolumeInfo v;
        v.fsname = c.fsname;
        v.ok = true;
        v.clustersize = c.reported;
        v.freeclusters = freeclusters;
        v.totalfreebytes = totalfree;
        const ClusterFigures f = clusterrules(v, c.ntfamily);
        EXPECT_EQ(f.clustersize, c.clustersize) << c.fsname << " " << c.reported << " " << c.ntfamily;
        EXPECT_EQ(f.freespace, c.freespace) << c.fsname << " " << c.reported << " " << c.ntfamily;
    }
}

TEST(ClusterRules, FailedQueryFallsBack)
{
    for (const char* fs : { "FAT", "FAT32", "NTFS", "ext4", "" }) {
        VolumeInfo failed;
        failed.fsname = fs;
        failed.clustersize = 8192;
        failed.totalfreebytes = 12345;
        const ClusterFigures a = clusterrules(failed, true); // ok false
        EXPECT_EQ(a.clustersize, 4096u) << fs;
        EXPECT_EQ(a.freespace, 0) << fs;

        VolumeInfo zero = failed;
        zero.ok = true;
        zero.clustersize = 0;
        const ClusterFigures b = clusterrules(zero, true);
        EXPECT_EQ(b.clustersize, 4096u) << fs;
        EXPECT_EQ(b.freespace, 0) << fs;
    }
}
