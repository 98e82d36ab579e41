#pragma once

#include <QString>
#include <functional>
#include <string>

namespace qv {

// The help viewer: shows a help file at the topic for a keyword.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // Opens the help file at path (raw bytes, absolute or relative to the current directory) at the topic
    // found by keyword. The file is read off the GUI thread; shown(true) follows on the GUI thread once it
    // is on display, shown(false) when the viewer could not show it: a missing or unreadable file, or one
    // that is not a help file. The caller then says "Could not create process". A later open() replaces
    // one still reading, whose shown never runs then.
    virtual void open(const std::string& path, const QString& keyword, std::function<void(bool shown)> shown) = 0;
};

} // namespace qv
