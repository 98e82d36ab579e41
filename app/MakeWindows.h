#pragma once

#include "Services.h"

#include <memory>
#include <string>

namespace qv {

class TQVForm1;

// Makes the program's windows in their order, the main window first; the others are its children and
// go with it, and the main window holds them as its Windows.
std::unique_ptr<TQVForm1> makewindows(const Services& services, const std::string& mountinfo = "/proc/self/mountinfo");

} // namespace qv
