#pragma once

#include <QFont>

namespace qv {

// The windows' font: "MS Sans Serif" at a pixel size (11 for a window's own font), or where that is
// missing Liberation Sans, whose letters are about as wide (fontconfig's own pick, DejaVu Sans, runs wider
// than the layouts allow).
QFont formfont(int pixelsize = 11);

} // namespace qv
