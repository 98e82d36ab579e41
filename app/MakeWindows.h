#pragma once

#include "Services.h"
#include "Windows.h"

#include <memory>
#include <string>

namespace qv {

class TQVForm1;

// Makes the program's windows in their order, the main window first; the others are its children and
// go with it. Fills in windows and wires the Select Directory dialog to the main window's scan and to
// windows.help (looked up when Help is pressed, so it may be set later).
std::unique_ptr<TQVForm1> makewindows(
    const Services& services, Windows& windows, const std::string& mountinfo = "/proc/self/mountinfo");

} // namespace qv
