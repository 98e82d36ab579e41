#include "RangePalette.h"

#include <array>

namespace qv {

namespace {

constexpr std::array<QRgb, RangePalette::Count> Colours = {
    qRgb(255, 255, 0), // 1 yellow
    qRgb(0, 255, 255), // 2 cyan
    qRgb(0, 255, 0), // 3 green
    qRgb(255, 0, 255), // 4 magenta
    qRgb(255, 0, 0), // 5 red
    qRgb(0, 0, 255), // 6 blue
    qRgb(127, 127, 127), // 7 grey
    qRgb(0, 0, 0), // 8 black
};

// The disc's rows from row 3 down; each is centred in the 16-pixel row.
constexpr int FirstDiscRow = 3;
constexpr std::array<int, 10> DiscWidths = { 4, 6, 8, 10, 10, 10, 10, 8, 6, 4 };

bool valid(int n)
{
    return n >= 1 && n <= RangePalette::Count;
}

} // namespace

QColor RangePalette::colour(int n)
{
    return valid(n) ? QColor(Colours[n - 1]) : QColor();
}

QColor RangePalette::swatchcolour(int n)
{
    return n == 7 ? QColor(128, 128, 128) : colour(n);
}

QImage RangePalette::discimage(int n)
{
    if (!valid(n))
        return {};
    QImage image(ImageSize, ImageSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int i = 0; i < int(DiscWidths.size()); ++i) {
        const int first = (ImageSize - DiscWidths[i]) / 2;
        for (int x = first; x < first + DiscWidths[i]; ++x)
            image.setPixel(x, FirstDiscRow + i, Colours[n - 1]);
    }
    return image;
}

QList<QImage> RangePalette::stateimages()
{
    QList<QImage> images { discimage(1) };
    for (int n = 1; n <= Count; ++n)
        images.append(discimage(n));
    return images;
}

QList<QPixmap> RangePalette::statepixmaps()
{
    QList<QPixmap> pixmaps;
    for (const QImage& image : stateimages())
        pixmaps.append(QPixmap::fromImage(image));
    return pixmaps;
}

} // namespace qv
