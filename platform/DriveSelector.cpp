#include "DriveSelector.h"

#include "DisplayText.h"
#include "PathJoin.h"

#include <algorithm>
#include <map>

namespace qv {

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
    // The last mount on a mount point is the one that is seen there.
    std::map<std::string, std::string> points;
    for (const MountEntry& e : readmounts(m_mountinfo))
        if (!isvirtualfs(e.fstype) && !e.mountpoint.empty() && e.mountpoint.front() == '/')
            points[e.mountpoint] = e.fstype;

    const QSignalBlocker quiet(this);
    clear();
    for (const auto& [point, fstype] : points) {
        const QString text = displaytext(point) + QStringLiteral("  [") + displaytext(fstype) + QLatin1Char(']');
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

} // namespace qv
