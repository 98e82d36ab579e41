// The drive selector and the directory list that the Select Directory and Find Help dialogs share.
#include "DirectoryList.h"
#include "DriveSelector.h"
#include "FakeFiles.h"
#include "PosixDirLister.h"

#include <QFile>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

using Strings = std::vector<std::string>;

// Opens dir in the list and waits until its listing is shown.
void openandwait(DirectoryList& list, const std::string& dir)
{
    list.setdirectory(dir);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.reading(); })) << dir;
}
void drivesandwait(DirectoryList& list, const std::string& root)
{
    list.setdrive(root);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.reading(); })) << root;
}

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
    PosixDirLister lister;
    const DirectoryList::Contents contents = DirectoryList::read(lister, t.root);
    EXPECT_EQ(contents.subdirectories, (Strings { ".hidden", "a", "A", "b", "c" }));
    Strings files = contents.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Strings { "file.txt", "link" }));
    EXPECT_EQ(DirectoryList::read(lister, t.root + "/missing").subdirectories, Strings {});
}

TEST(DirectoryList, ShowsThePathFromTheDriveRootThenTheSubdirectories)
{
    Tree t;
    DirectoryList list;
    list.setdrive("/");
    openandwait(list, t.root + "/b/");
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
    drivesandwait(list, t.root);
    EXPECT_EQ(list.directory(), t.root);
    EXPECT_EQ(list.rowpaths(),
        (Strings { t.root, t.root + "/.hidden", t.root + "/a", t.root + "/A", t.root + "/b", t.root + "/c" }));
    openandwait(list, t.root + "/b/inner");
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
    drivesandwait(list, t.root);
    QSignalSpy changed(&list, &DirectoryList::directorychanged);

    // A row that is only highlighted is not open until asked.
    list.setCurrentRow(4);
    EXPECT_EQ(list.highlighted(), t.root + "/b");
    EXPECT_EQ(list.directory(), t.root);
    list.openhighlighted();
    EXPECT_EQ(list.directory(), t.root + "/b");
    EXPECT_EQ(changed.count(), 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.reading(); }));
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
    openandwait(list, t.root + "/gone");
    EXPECT_EQ(list.directory(), t.root + "/gone");
    EXPECT_EQ(list.rowpaths().back(), t.root + "/gone");
    EXPECT_EQ(list.highlighted(), t.root + "/gone");

    if (geteuid() != 0) {
        chmod((t.root + "/c").c_str(), 0);
        openandwait(list, t.root + "/c");
        EXPECT_EQ(list.rowpaths().back(), t.root + "/c");
        chmod((t.root + "/c").c_str(), 0755);
    }

    // A read that fails outright ends all the same, with nothing listed.
    DirectoryList failing(nullptr, []() -> std::unique_ptr<DirLister> { throw std::runtime_error("no lister"); });
    drivesandwait(failing, t.root);
    EXPECT_EQ(failing.rowpaths(), Strings { t.root });
    EXPECT_EQ(failing.viewport()->cursor().shape(), Qt::ArrowCursor);
}

} // namespace

namespace {

// A desktop's mount table as the kernel gives it, with a container engine, removable and network media.
const char* Desktop
    = "21 26 0:20 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw\n"
      "22 26 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
      "23 26 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8029492k,mode=755\n"
      "24 23 0:22 / /dev/pts rw,nosuid,noexec,relatime shared:3 - devpts devpts rw,gid=5,mode=620\n"
      "25 26 0:23 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1610948k,mode=755\n"
      "26 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro\n"
      "27 21 0:6 / /sys/kernel/security rw,nosuid,nodev,noexec,relatime shared:8 - securityfs securityfs rw\n"
      "28 23 0:24 / /dev/shm rw,nosuid,nodev shared:4 - tmpfs tmpfs rw\n"
      "29 25 0:25 / /run/lock rw,nosuid,nodev,noexec,relatime shared:6 - tmpfs tmpfs rw,size=5120k\n"
      "30 21 0:26 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:9 - cgroup2 cgroup2 rw,nsdelegate\n"
      "31 21 0:27 / /sys/fs/pstore rw,nosuid,nodev,noexec,relatime shared:10 - pstore pstore rw\n"
      "32 21 0:28 / /sys/firmware/efi/efivars rw,nosuid,nodev,noexec,relatime shared:11 - efivarfs efivarfs rw\n"
      "33 21 0:29 / /sys/fs/bpf rw,nosuid,nodev,noexec,relatime shared:13 - bpf bpf rw,mode=700\n"
      "34 22 0:30 / /proc/sys/fs/binfmt_misc rw,relatime shared:14 - autofs systemd-1 rw,fd=30,pgrp=1\n"
      "35 23 0:19 / /dev/mqueue rw,nosuid,nodev,noexec,relatime shared:15 - mqueue mqueue rw\n"
      "36 23 0:31 / /dev/hugepages rw,relatime shared:16 - hugetlbfs hugetlbfs rw,pagesize=2M\n"
      "37 21 0:7 / /sys/kernel/debug rw,nosuid,nodev,noexec,relatime shared:17 - debugfs debugfs rw\n"
      "38 21 0:12 / /sys/kernel/tracing rw,nosuid,nodev,noexec,relatime shared:18 - tracefs tracefs rw\n"
      "39 21 0:32 / /sys/fs/fuse/connections rw,nosuid,nodev,noexec,relatime shared:19 - fusectl fusectl rw\n"
      "40 21 0:33 / /sys/kernel/config rw,nosuid,nodev,noexec,relatime shared:20 - configfs configfs rw\n"
      "60 26 259:1 / /boot/efi rw,relatime shared:31 - vfat /dev/nvme0n1p1 rw,fmask=0077,dmask=0077\n"
      "62 26 259:3 / /home rw,relatime shared:33 - ext4 /dev/nvme0n1p3 rw\n"
      "64 25 0:36 / /run/credentials/systemd-sysusers.service ro,nosuid,nodev shared:35 - ramfs none rw,mode=700\n"
      "66 34 0:37 / /proc/sys/fs/binfmt_misc rw,nosuid,nodev,noexec,relatime shared:37 - binfmt_misc binfmt_misc rw\n"
      "67 22 0:47 / /proc/fs/nfsd rw,relatime shared:39 - nfsd nfsd rw\n"
      "68 25 0:48 / /run/rpc_pipefs rw,relatime shared:40 - rpc_pipefs sunrpc rw\n"
      "70 25 0:38 / /run/user/1000 rw,nosuid,nodev,relatime shared:300 - tmpfs tmpfs rw,mode=700,uid=1000\n"
      "72 70 0:39 / /run/user/1000/gvfs rw,nosuid,nodev,relatime shared:310 - fuse.gvfsd-fuse gvfsd-fuse rw\n"
      "73 70 0:40 / /run/user/1000/doc rw,nosuid,nodev,relatime shared:320 - fuse.portal portal rw\n"
      "75 26 0:41 / /var/lib/docker/overlay2/3f1c/merged rw,relatime shared:330 - overlay overlay rw,lowerdir=/a\n"
      "76 25 0:4 net:[4026532600] /run/docker/netns/1a2b rw shared:340 - nsfs nsfs rw\n"
      "78 25 8:17 / /run/media/anna/USB\\040STICK rw,nosuid,nodev,relatime shared:350 - vfat /dev/sdb1 rw\n"
      "80 26 0:45 / /mnt/nas rw,relatime shared:360 - nfs4 nas:/export rw,vers=4.2\n"
      "81 26 0:46 / /home/anna/remote rw,nosuid,nodev,relatime shared:370 - fuse.sshfs anna@host: rw\n"
      "82 26 7:0 / /snap/core22/1033 ro,nodev,relatime shared:380 - squashfs /dev/loop0 ro\n"
      "84 26 0:49 / /tmp rw,nosuid,nodev shared:400 - tmpfs tmpfs rw\n"
      "85 26 0:50 / /srv/layers rw,relatime shared:410 - overlay overlay rw,lowerdir=/b\n";

} // namespace

TEST(DriveSelector, ListsOnlyFileSystemsThatHoldUserData)
{
    QTemporaryDir dir;
    const DriveSelector drives(nullptr, writemountinfo(dir, Desktop));
    EXPECT_EQ(drives.drives(),
        (Strings { "/", "/boot/efi", "/dev/shm", "/home", "/home/anna/remote", "/mnt/nas", "/run/media/anna/USB STICK",
            "/run/user/1000", "/srv/layers", "/tmp" }));
}

TEST(DriveSelector, WhenTheListsDriveHasGoneBothFallBackTogether)
{
    Tree t;
    QTemporaryDir dir;
    const std::string table = writemountinfo(dir, "24 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    QFile extra(QString::fromStdString(table));
    ASSERT_TRUE(extra.open(QIODevice::Append));
    extra.write(("30 24 0:33 / " + t.root + " rw - ext4 /dev/sdd1 rw\n").c_str());
    extra.close();
    DriveSelector drives(nullptr, table);
    DirectoryList list;
    drivesandwait(list, "/");
    openandwait(list, t.root + "/a");
    drivesandwait(list, t.root);
    openandwait(list, t.root + "/b");

    // Still mounted: the selector follows the list.
    ASSERT_TRUE(drives.setdrive("/"));
    showlistdrive(drives, list);
    EXPECT_EQ(drives.drive(), t.root);
    EXPECT_EQ(list.directory(), t.root + "/b");

    // Unmounted between two showings: both show "/", the list its directory last open there.
    writemountinfo(dir, "24 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    drives.reload();
    showlistdrive(drives, list);
    EXPECT_EQ(drives.drive(), "/");
    EXPECT_EQ(list.drive(), "/");
    EXPECT_EQ(list.directory(), t.root + "/a");
}

TEST(DirectoryList, AReadThatHangsLeavesTheListWorkingAndItsLateResultIsDropped)
{
    Tree t;
    test::FakeFiles lister(test::FakeFiles::RealFileSystem);
    lister.hold(t.root + "/b");
    DirectoryList list(nullptr, lister.factory());
    drivesandwait(list, t.root);
    QSignalSpy listed(&list, &DirectoryList::listed);

    // The path rows show at once; the list is reading meanwhile.
    list.setdirectory(t.root + "/b");
    lister.waitforheld(1);
    EXPECT_TRUE(list.reading());
    EXPECT_EQ(list.rowpaths(), (Strings { t.root, t.root + "/b" }));
    EXPECT_EQ(list.highlighted(), t.root + "/b");
    EXPECT_EQ(list.viewport()->cursor().shape(), Qt::BusyCursor);
    EXPECT_TRUE(list.files().empty());

    // The user goes elsewhere, which is listed while the first read still hangs.
    openandwait(list, t.root);
    EXPECT_EQ(list.rowpaths().size(), 6u);
    EXPECT_EQ(list.files().size(), 2u);
    EXPECT_EQ(list.viewport()->cursor().shape(), Qt::ArrowCursor);

    // When the hung read comes back, nothing of it is shown.
    lister.release();
    list.reread();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.reading(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(list.directory(), t.root);
    EXPECT_EQ(list.rowpaths().size(), 6u);
    EXPECT_EQ(listed.count(), 2);
}

TEST(DirectoryList, ARowCutShortShowsItsWholeNameAsTooltip)
{
    Tree t;
    const std::string longname = "a directory whose name is far too long for the list to show it whole";
    ASSERT_EQ(mkdir((t.root + "/" + longname).c_str(), 0755), 0);
    DirectoryList list;
    list.resize(200, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    drivesandwait(list, t.root);
    auto tipat = [&](const std::string& path) {
        const Strings rows = list.rowpaths();
        const auto row = static_cast<int>(std::find(rows.begin(), rows.end(), path) - rows.begin());
        const QPoint at = list.visualItemRect(list.item(row)).center();
        QHelpEvent event(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list.viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipat(t.root + "/b"), QString());
    EXPECT_EQ(tipat(t.root + "/" + longname), QString::fromStdString(longname));
}
