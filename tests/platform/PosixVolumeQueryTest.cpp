#include "PosixVolumeQuery.h"

#include "TempTree.h"

#include <fstream>
#include <sys/statvfs.h>

using namespace qv;
using qv::test::TempTree;

TEST(PosixVolumeQuery, FileSystemNames)
{
    struct Case
    {
        const char* type;
        std::uint64_t clusters;
        const char* name;
    };
    const Case cases[] = {
        { "vfat", 0, "FAT" },
        { "vfat", 4084, "FAT" },
        { "vfat", 4085, "FAT16" },
        { "msdos", 65524, "FAT16" },
        { "vfat", 65525, "FAT32" },
        { "msdos", 10000000, "FAT32" },
        { "ntfs", 5, "NTFS" },
        { "ntfs3", 5, "NTFS" },
        { "ext4", 5, "ext4" },
        { "tmpfs", 5, "tmpfs" },
        { "fuse.sshfs", 5, "fuse.sshfs" },
        { "exfat", 5, "exfat" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PosixVolumeQuery::fsname(c.type, c.clusters), c.name) << c.type << " " << c.clusters;
}

// The longest mount point that leads the real path wins; a name that merely starts the same does not.
TEST(PosixVolumeQuery, MountPointHoldingThePath)
{
    TempTree t;
    t.dir("ab");
    t.dir("a");
    t.dir("a/b");
    t.symlink("a/b", "link");
    const std::string info = t.at("mountinfo");
    std::ofstream(info) << "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                        << "2 1 8:2 / " << t.at("a") << " rw - vfat /dev/sdb1 rw\n"
                        << "3 1 8:3 / " << t.at("a") << " rw - ntfs3 /dev/sdc1 rw\n" // mounted over the first
                        << "4 1 8:4 / " << t.at("a/b/c") << " rw - tmpfs tmpfs rw\n";
    PosixVolumeQuery query(info);

    struct statvfs real;
    ASSERT_EQ(::statvfs(t.root().c_str(), &real), 0);
    const VolumeInfo top = query.query(t.root());
    EXPECT_EQ(top.root, "/");
    EXPECT_EQ(top.fsname, "ext4");
    EXPECT_TRUE(top.ok);
    EXPECT_EQ(top.clustersize, real.f_frsize);
    EXPECT_EQ(top.totalfreebytes, top.freeclusters * top.clustersize);
    EXPECT_NE(top.freeclusters, 0u);

    EXPECT_EQ(query.query(t.at("ab")).root, "/");
    for (const char* p : { "a", "a/b", "link" }) {
        const VolumeInfo v = query.query(t.at(p));
        EXPECT_EQ(v.root, t.at("a")) << p;
        EXPECT_EQ(v.fsname, "NTFS") << p;
    }
}

TEST(PosixVolumeQuery, MissingPathFails)
{
    TempTree t;
    const VolumeInfo v = PosixVolumeQuery().query(t.at("missing"));
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.clustersize, 0u);
}

TEST(PosixVolumeQuery, TmpfsMount)
{
    TempTree t;
    t.dir("m");
    if (!t.mounttmpfs("m"))
        GTEST_SKIP() << "mounting is not permitted here";
    const VolumeInfo v = PosixVolumeQuery().query(t.at("m"));
    EXPECT_EQ(v.root, t.at("m"));
    EXPECT_EQ(v.fsname, "tmpfs");
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(v.clustersize, static_cast<std::uint32_t>(::sysconf(_SC_PAGESIZE)));
    EXPECT_EQ(v.totalfreebytes, 1u << 20); // size=1m, empty
}
