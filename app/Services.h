#pragma once

#include "QVMakeTree.h"

#include <QDBusConnection>
#include <functional>
#include <memory>

namespace qv {

class ColourRangeTable;
class DirLister;
class Feedback;
class SettingsStore;
class VolumeQuery;
struct ScanValues;

// The program-wide objects the main window works with; all outlive it.
struct Services
{
    ScanValues& values;
    ColourRangeTable& colours;
    SettingsStore& settings;
    Feedback& feedback;
    VolumeQuery& volumes;
    // One lister per scan, made on the scan thread.
    std::function<std::unique_ptr<DirLister>()> makelister;
    // Reads an export file dropped on the window or opened by openexport(); on the scan thread.
    Importer importer;
    // The session bus: the program is reached there and reaches the file manager; not connected, neither.
    QDBusConnection bus { QString() };
};

} // namespace qv
