// The drive selector and the directory list that the Select Directory and Find Help dialogs share.
#include "DirectoryList.h"
#include "DriveSelector.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

using Strings = std::vector<std::string>;

std::string writemountinfo(const QTemporaryDir& dir, const char* text)
{
    const QString path = dir.filePath("mountinfo");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path.toStdString();
}

const char* Mounts = "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
                     "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
                     "24 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                     "25 24 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                     "26 24 8:3 / /mnt/usb\\040stick rw - vfat /dev/sdb1 rw\n"
                     "27 24 0:30 / /home/u/cg rw - cgroup2 cgroup rw\n"
                     "28 24 0:31 / /run rw - tmpfs tmpfs rw\n"
                     "29 24 0:32 / /run rw - ext4 /dev/sdc1 rw\n"
                     "30 24 0:33 / /homework rw - ext4 /dev/sdd1 rw\n";

TEST(DriveSelector, ListsRealFileSystemsByMountPoint)
{
    QTemporaryDir dir;
    DriveSelector drives(nullptr, writemountinfo(dir, Mounts));
    EXPECT_EQ(drives.drives(), (Strings { "/", "/home", "/homework", "/mnt/usb stick", "/run" }));
    EXPECT_EQ(drives.drive(), "/");
    EXPECT_EQ(drives.itemText(1).toStdString(), "/home  [ext4]");
    // The second mount on /run hides the first.
    EXPECT_EQ(drives.itemText(4).toStdString(), "/run  [ext4]");
}

TEST(DriveSelector, FindsTheDriveThatHoldsAPath)
{
    QTemporaryDir dir;
    const DriveSelector drives(nullptr, writemountinfo(dir, Mounts));
    const std::vector<std::pair<std::string, std::string>> cases = {
        { "/", "/" },
        { "/etc", "/" },
        { "/home", "/home" },
        { "/home/u/docs", "/home" },
        { "/homework", "/homework" },
        { "/homeless", "/" },
        { "/mnt/usb stick/a", "/mnt/usb stick" },
        { "/mnt/usb", "/" },
        { "relative", "" },
    };
    for (const auto& [path, drive] : cases)
        EXPECT_EQ(drives.driveof(path), drive) << path;
}

TEST(DriveSelector, KeepsTheChosenDriveOverAReloadAndSignalsOnlyUserChoices)
{
    QTemporaryDir dir;
    DriveSelector drives(nullptr, writemountinfo(dir, Mounts));
    QSignalSpy changed(&drives, &DriveSelector::drivechanged);
    EXPECT_TRUE(drives.setdrive("/home"));
    EXPECT_FALSE(drives.setdrive("/proc"));
    EXPECT_EQ(drives.drive(), "/home");
    drives.reload();
    EXPECT_EQ(drives.drive(), "/home");
    EXPECT_EQ(changed.count(), 0);

    emit drives.activated(2);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toByteArray().toStdString(), "/homework");
}

TEST(DriveSelector, UnreadableMountTableListsNothing)
{
    DriveSelector drives(nullptr, "/nonexistent/mountinfo");
    EXPECT_EQ(drives.count(), 0);
    EXPECT_EQ(drives.drive(), "");
    EXPECT_EQ(drives.driveof("/etc"), "");
}

struct Tree
{
    QTemporaryDir tmp;
    std::string root = tmp.path().toStdString();
    Tree()
    {
        for (const char* d : { "b", "A", "c", "a", ".hidden", "b/inner", "b/inner/deep" })
            mkdir((root + "/" + d).c_str(), 0755);
        QFile f(QString::fromStdString(root + "/file.txt"));
        f.open(QIODevice::WriteOnly);
        symlink((root + "/b").c_str(), (root + "/link").c_str());
    }
};

TEST(DirectoryList, ListsSubdirectoriesSortedWithoutFilesOrLinks)
{
    Tree t;
    EXPECT_EQ(DirectoryList::subdirectories(t.root), (Strings { ".hidden", "a", "A", "b", "c" }));
    EXPECT_EQ(DirectoryList::subdirectories(t.root + "/missing"), Strings {});
}

TEST(DirectoryList, NormalisesPaths)
{
    const std::vector<std::pair<std::string, std::string>> cases
        = { { "/", "/" }, { "//", "/" }, { "/a/", "/a" }, { "/a//b///", "/a/b" }, { "", "" } };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(DirectoryList::normalised(in), out) << in;
}

TEST(DirectoryList, ShowsThePathFromTheDriveRootThenTheSubdirectories)
{
    Tree t;
    DirectoryList list;
    list.setdrive("/");
    list.setdirectory(t.root + "/b/");
    EXPECT_EQ(list.directory(), t.root + "/b");
    Strings expected { "/" };
    for (std::size_t end = t.root.find('/', 1);; end = t.root.find('/', end + 1)) {
        expected.push_back(t.root.substr(0, end));
        if (end == std::string::npos)
            break;
    }
    expected.push_back(t.root + "/b");
    expected.push_back(t.root + "/b/inner");
    EXPECT_EQ(list.rowpaths(), expected);
    EXPECT_EQ(list.highlighted(), t.root + "/b");
    EXPECT_EQ(list.item(0)->text().toStdString(), "/");
    EXPECT_EQ(list.item(list.count() - 2)->text().toStdString(), "b");
}

TEST(DirectoryList, RowsStartAtTheDrivesMountPoint)
{
    Tree t;
    DirectoryList list;
    list.setdrive(t.root);
    EXPECT_EQ(list.directory(), t.root);
    EXPECT_EQ(list.rowpaths(),
        (Strings { t.root, t.root + "/.hidden", t.root + "/a", t.root + "/A", t.root + "/b", t.root + "/c" }));
    list.setdirectory(t.root + "/b/inner");
    EXPECT_EQ(list.rowpaths(), (Strings { t.root, t.root + "/b", t.root + "/b/inner", t.root + "/b/inner/deep" }));

    // Back on this drive after another, the directory last open on it opens again.
    list.setdrive("/");
    EXPECT_EQ(list.directory(), "/");
    list.setdrive(t.root);
    EXPECT_EQ(list.directory(), t.root + "/b/inner");
}

TEST(DirectoryList, OpensTheHighlightedRowByClickEnterOrDoubleClick)
{
    Tree t;
    DirectoryList list;
    list.setdrive(t.root);
    QSignalSpy changed(&list, &DirectoryList::directorychanged);

    // A row that is only highlighted is not open until asked.
    list.setCurrentRow(4);
    EXPECT_EQ(list.highlighted(), t.root + "/b");
    EXPECT_EQ(list.directory(), t.root);
    list.openhighlighted();
    EXPECT_EQ(list.directory(), t.root + "/b");
    EXPECT_EQ(changed.count(), 0);

    list.setCurrentRow(2);
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.directory(), t.root + "/b/inner");
    EXPECT_EQ(changed.count(), 1);

    // The top row stands for the drive's root.
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QRect top = list.visualItemRect(list.item(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, top.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, top.center());
    EXPECT_EQ(list.directory(), t.root);
    EXPECT_EQ(changed.count(), 2);
}

TEST(DirectoryList, AnUnreadableDirectoryListsNoSubdirectories)
{
    Tree t;
    DirectoryList list;
    list.setdrive("/");
    list.setdirectory(t.root + "/gone");
    EXPECT_EQ(list.directory(), t.root + "/gone");
    EXPECT_EQ(list.rowpaths().back(), t.root + "/gone");
    EXPECT_EQ(list.highlighted(), t.root + "/gone");

    if (geteuid() != 0) {
        chmod((t.root + "/c").c_str(), 0);
        list.setdirectory(t.root + "/c");
        EXPECT_EQ(list.rowpaths().back(), t.root + "/c");
        chmod((t.root + "/c").c_str(), 0755);
    }
}

} // namespace
