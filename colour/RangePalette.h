#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>

namespace qv {

// The eight fixed colours that the colour numbers 1..8 of the colour range table select, and the 16 x 16
// disc images that show them in the tree, the detail list and the legend.
class RangePalette
{
public:
    static constexpr int Count = 8;
    static constexpr int ImageSize = 16;
    static constexpr int StateImageCount = Count + 1;

    // The colour of colour number n (1..8); an invalid QColor for any other n.
    static QColor colour(int n);
    // As colour(n), except that grey is 128,128,128 on the Colour Ranges dialog's swatches.
    static QColor swatchcolour(int n);
    // A white tile with a disc of colour n, 10 pixels across, in its centre (rows 3..12 of widths
    // 4, 6, 8, 10, 10, 10, 10, 8, 6, 4, each centred); a null image for n outside 1..8. At a device pixel
    // ratio above 1 the same tile drawn at that ratio: 16 x 16 device-independent pixels, a smooth disc of
    // 10 across in its centre, rather than the 1x pattern scaled up.
    static QImage discimage(int n, qreal ratio = 1);
    // As discimage(n, ratio), in the swatch's shade of colour n.
    static QImage swatchimage(int n, qreal ratio = 1);
    // The nine state images: 0 is a copy of yellow that is never shown (state 0 means no image), 1..8 are
    // the colour numbers, so a colour number is its own state-image index.
    static QList<QImage> stateimages(qreal ratio = 1);
    // The same as icons at the application's device pixel ratio, a fresh list each call for each view to
    // keep (needs a QGuiApplication). A selected row shows its disc as it is: the Selected mode holds the
    // same picture, where Qt would otherwise tint it with the selection colour.
    static QList<QIcon> stateicons();
};

} // namespace qv
