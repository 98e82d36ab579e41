#pragma once

#include <QString>
#include <string>

namespace qv {

// The help viewer: shows a help file at the topic for a keyword.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // Opens the help file at path (raw bytes, absolute or relative to the current directory) at the topic
    // found by keyword. Returns false when the viewer could not show it: a missing or unreadable file, or
    // one that is not a help file. The caller then says "Could not create process".
    virtual bool open(const std::string& path, const QString& keyword) = 0;
};

} // namespace qv
