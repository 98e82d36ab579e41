#pragma once

#include <string>

namespace qv {

// Where a scan's status texts go. The walker and the scan thread call status() on the scan thread, in
// order; the texts hold raw path bytes. An implementation must not block for long: the main window's
// takes the latest text and shows it at its next repaint.
class ScanSink
{
public:
    virtual ~ScanSink() = default;
    virtual void status(const std::string& text) = 0;
};

} // namespace qv
