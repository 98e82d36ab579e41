#pragma once

#include <QIcon>
#include <QPixmap>

namespace qv {

// The program's pictures, painted rather than loaded, so they are sharp at any scale.

// The logo: a disc platter cut into the eight colour bands, largest share first. side x side logical
// pixels at the given device pixel ratio.
QPixmap quorvanelogo(int side, qreal devicepixelratio = 1.0);

// The About window's icon: the logo with an information badge.
QIcon abouticon();

} // namespace qv
