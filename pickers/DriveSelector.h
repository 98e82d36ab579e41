#pragma once

#include "MountTable.h"

#include <QByteArray>
#include <QComboBox>
#include <string>
#include <vector>

namespace qv {

class DirectoryList;

// True for a mount a user would call a drive: a file system that holds user data (disc-backed, removable,
// network; tmpfs only where users keep files), not a pseudo file system of the kernel, nothing below
// /proc or /sys, and no container engine's overlay below /var/lib.
bool holdsuserdata(const MountEntry& mount);

// The drive combo box: one row per mounted file system that holds user data, by mount point. Built from
// the mount table alone: no volume is queried, so a dead network mount cannot hang the window.
class DriveSelector : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveSelector(QWidget* parent = nullptr, std::string mountinfo = "/proc/self/mountinfo");

    // Reads the mount table again; the chosen drive stays chosen while it is still listed.
    void reload();
    // The chosen drive's mount point, raw bytes; empty when nothing is listed.
    std::string drive() const;
    // Chooses the drive with this mount point; false (and no change) when it is not listed.
    bool setdrive(const std::string& mountpoint);
    // The listed mount point that holds path: the longest one equal to path or a prefix of it ending at
    // a "/". Empty when none does.
    std::string driveof(const std::string& path) const;
    // The listed mount points, in the order shown.
    std::vector<std::string> drives() const;

signals:
    // The user chose another drive (not sent for setdrive()).
    void drivechanged(const QByteArray& mountpoint);

private:
    std::string m_mountinfo;
};

// After a reload of drives: shows the list's drive in the selector, or, when that drive has gone, moves
// both to the listed drive that now holds its mount point (the selector's first drive if none does).
void showlistdrive(DriveSelector& drives, DirectoryList& list);

} // namespace qv
