#include "DriveSelector.h"

#include "DirectoryList.h"
#include "DisplayText.h"
#include "PathJoin.h"

#include <algorithm>
#include <array>
#include <map>

namespace qv {
namespace {

// path is dir or lies below it.
bool atorbelow(std::string_view path, std::string_view dir)
{
    return path.substr(0, dir.size()) == dir && (path.size() == dir.size() || path[dir.size()] == '/');
}

bool pseudofs(std::string_view fstype)
{
    static constexpr std::array<std::string_view, 24> pseudo
        = { "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "mqueue", "debugfs", "tracefs", "securityfs",
              "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "autofs", "binfmt_misc", "efivarfs", "rpc_pipefs",
              "nsfs", "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal", "squashfs" };
    return std::find(pseudo.begin(), pseudo.end(), fstype) != pseudo.end();
}

// The system's own memory file systems: users keep files only in /dev/shm, /run/media and /run/user.
bool systemtmpfs(std::string_view point)
{
    if (atorbelow(point, "/dev"))
        return !atorbelow(point, "/dev/shm");
    if (atorbelow(point, "/run"))
        return !atorbelow(point, "/run/media") && !atorbelow(point, "/run/user");
    return false;
}

} // namespace

bool holdsuserdata(const MountEntry& mount)
{
    const std::string_view type = mount.fstype;
    const std::string_view point = mount.mountpoint;
    if (pseudofs(type) || atorbelow(point, "/proc") || atorbelow(point, "/sys"))
        return false;
    if (type == "tmpfs" || type == "ramfs")
        return !systemtmpfs(point);
    if (type == "overlay")
        return !atorbelow(point, "/var/lib"); // a container engine's layers
    return true;
}

DriveSelector::DriveSelector(QWidget* parent, std::string mountinfo)
    : QComboBox(parent)
    , m_mountinfo(std::move(mountinfo))
{
    setEditable(false);
    reload();
    connect(this, &QComboBox::activated, this, [this](int row) { emit drivechanged(itemData(row).toByteArray()); });
}

void DriveSelector::reload()
{
    const std::string chosen = drive();
    // The last mount on a mount point is the one that is seen there; it alone decides whether it is listed.
    std::map<std::string, MountEntry> points;
    for (MountEntry& e : readmounts(m_mountinfo))
        if (!e.mountpoint.empty() && e.mountpoint.front() == '/')
            points[e.mountpoint] = std::move(e);

    const QSignalBlocker quiet(this);
    clear();
    for (const auto& [point, mount] : points) {
        if (!holdsuserdata(mount))
            continue;
        const QString text = displaytext(point) + QStringLiteral("  [") + displaytext(mount.fstype) + QLatin1Char(']');
        addItem(text, QByteArray::fromStdString(point));
    }
    if (!setdrive(chosen) && count() > 0)
        setCurrentIndex(0);
}

std::string DriveSelector::drive() const
{
    return currentIndex() < 0 ? std::string() : currentData().toByteArray().toStdString();
}

bool DriveSelector::setdrive(const std::string& mountpoint)
{
    const int row = findData(QByteArray::fromStdString(mountpoint));
    if (row < 0)
        return false;
    const QSignalBlocker quiet(this);
    setCurrentIndex(row);
    return true;
}

std::string DriveSelector::driveof(const std::string& path) const
{
    std::string best;
    for (const std::string& point : drives()) {
        if (pathatorunder(path, point) && point.size() > best.size())
            best = point;
    }
    return best;
}

std::vector<std::string> DriveSelector::drives() const
{
    std::vector<std::string> points;
    points.reserve(count());
    for (int row = 0; row < count(); ++row)
        points.push_back(itemData(row).toByteArray().toStdString());
    return points;
}

void showlistdrive(DriveSelector& drives, DirectoryList& list)
{
    if (drives.setdrive(list.drive()))
        return;
    std::string fallback = drives.driveof(list.drive());
    if (fallback.empty())
        fallback = drives.drive();
    if (fallback.empty())
        return; // nothing listed: the list stays where it is
    drives.setdrive(fallback);
    list.setdrive(fallback);
}

} // namespace qv
