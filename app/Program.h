#pragma once

namespace qv {

// The whole program: makes the application and its windows, runs the message loop until the main window
// closes, and returns 0. Command-line arguments are ignored.
int runprogram(int argc, char** argv);

} // namespace qv
