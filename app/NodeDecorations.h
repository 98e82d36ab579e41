#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <array>

namespace qv {

// The tree's decorations: for every state image s (0..8; 0 shows no disc) and node kind k (0 directory,
// 1 file-type group) one icon showing disc s left of the node image: images 0 and 2 in the Normal mode,
// 1 and 3 (open folder, highlighted file) in the Selected mode. stateimages holds the nine 16 x 16 discs
// of the 1x pictures; the pictures for higher device pixel ratios draw the discs at that ratio.
using Decorations = std::array<std::array<QIcon, 2>, 9>;
Decorations nodedecorations(const QList<QImage>& stateimages);

} // namespace qv
