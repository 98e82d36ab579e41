#include "MountTable.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

using namespace qv;

namespace {

std::string writefile(const QTemporaryDir& dir, const std::string& text)
{
    const std::string path = dir.path().toStdString() + "/mountinfo";
    std::ofstream(path) << text;
    return path;
}

} // namespace

TEST(MountTable, ReadsAndUnescapesMountinfo)
{
    QTemporaryDir dir;
    const std::string path = writefile(dir,
        "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "27 26 0:24 / /media/My\\040Disc ro shared:5 master:2 - vfat /dev/sdb1 rw\n"
        "28 26 0:25 / /mnt/tab\\011new\\012back\\134slash rw - tmpfs tmpfs rw\n"
        "29 26 0:26 / /mnt/not\\08octal rw - tmpfs my\\040source rw\n"
        "30 26 0:27 / /mnt/end\\04 rw - tmpfs x rw\n"
        "broken line without separator\n"
        "31 26 0:28 / /mnt/noseparator rw ext4 /dev/x rw\n"
        "32 26 0:29 / /proc rw - proc proc rw\n");
    const std::vector<MountEntry> entries = readmounts(path);
    ASSERT_EQ(entries.size(), 6u);
    struct Expect
    {
        const char* point;
        const char* type;
        const char* source;
    };
    const Expect expect[] = {
        { "/", "ext4", "/dev/vda" },
        { "/media/My Disc", "vfat", "/dev/sdb1" }, // optional fields skipped
        { "/mnt/tab\tnew\nback\\slash", "tmpfs", "tmpfs" },
        { "/mnt/not\\08octal", "tmpfs", "my source" }, // not three octal digits: kept as it is
        { "/mnt/end\\04", "tmpfs", "x" }, // cut short at the end of the field
        { "/proc", "proc", "proc" },
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].mountpoint, expect[i].point) << i;
        EXPECT_EQ(entries[i].fstype, expect[i].type) << i;
        EXPECT_EQ(entries[i].source, expect[i].source) << i;
    }

    const MountTable table(entries);
    EXPECT_TRUE(table.ismountpoint("/media/My Disc"));
    EXPECT_FALSE(table.ismountpoint("/media/My"));
    EXPECT_FALSE(table.ismountpoint("/mnt/noseparator"));
    EXPECT_TRUE(table.holdsmountpoint("/media"));
    EXPECT_TRUE(table.holdsmountpoint("/mnt"));
    EXPECT_TRUE(table.holdsmountpoint("/")); // /proc lies in /
    EXPECT_FALSE(table.holdsmountpoint("/media/My Disc"));
    EXPECT_FALSE(table.holdsmountpoint(""));
    EXPECT_EQ(table.longestparent(), std::string("/media").size());
}

TEST(MountTable, UnreadableFileGivesNothing)
{
    EXPECT_TRUE(readmounts("/nonexistent/mountinfo").empty());
    EXPECT_TRUE(MountTable(readmounts("/nonexistent/mountinfo")).empty());
}

TEST(MountTable, TheSystemTableHasTheRoot)
{
    const std::vector<MountEntry> entries = readmounts();
    ASSERT_FALSE(entries.empty());
    EXPECT_TRUE(MountTable::load().ismountpoint("/"));
}
