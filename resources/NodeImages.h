#pragma once

#include <QImage>

namespace qv {

// The program's own images, painted in code so they scale with the screen (scale = device pixel ratio;
// the images report it as their devicePixelRatio).

// The tree's node images, 16 x 16: 0 closed folder, 1 open folder (directories, normal and selected),
// 2 file, 3 highlighted file (file-type groups, normal and selected). Any other index gives image 0.
QImage nodeimage(int index, qreal scale = 1.0);

// The stop button's glyph, 21 x 19 on a transparent ground: the word "Stop" in black on a red disc, or
// for the disabled state a plain white disc.
QImage stopglyph(bool enabled, qreal scale = 1.0);

} // namespace qv
