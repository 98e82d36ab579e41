#include "RangePalette.h"

#include <QGuiApplication>
#include <QPainter>
#include <array>
#include <cmath>

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

namespace {

// The tile of a disc of colour c at the given device pixel ratio.
QImage disc(QRgb c, qreal ratio)
{
    if (!(ratio > 1)) {
        QImage image(RangePalette::ImageSize, RangePalette::ImageSize, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int i = 0; i < int(DiscWidths.size()); ++i) {
            const int first = (RangePalette::ImageSize - DiscWidths[i]) / 2;
            for (int x = first; x < first + DiscWidths[i]; ++x)
                image.setPixel(x, FirstDiscRow + i, c);
        }
        return image;
    }
    const int side = static_cast<int>(std::ceil(RangePalette::ImageSize * ratio));
    QImage image(side, side, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(c));
    // The 1x disc covers the pixels 3..12 of each axis: a circle of radius 5 about the tile's centre.
    p.drawEllipse(QPointF(RangePalette::ImageSize / 2.0, RangePalette::ImageSize / 2.0), 5.0, 5.0);
    p.end();
    return image;
}

} // namespace

QImage RangePalette::discimage(int n, qreal ratio)
{
    return valid(n) ? disc(Colours[n - 1], ratio) : QImage();
}

QImage RangePalette::swatchimage(int n, qreal ratio)
{
    return valid(n) ? disc(swatchcolour(n).rgb(), ratio) : QImage();
}

QList<QImage> RangePalette::stateimages(qreal ratio)
{
    QList<QImage> images { discimage(1, ratio) };
    for (int n = 1; n <= Count; ++n)
        images.append(discimage(n, ratio));
    return images;
}

QList<QIcon> RangePalette::stateicons()
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QList<QIcon> icons;
    for (const QImage& image : stateimages(ratio)) {
        const QPixmap pixmap = QPixmap::fromImage(image);
        QIcon icon;
        icon.addPixmap(pixmap, QIcon::Normal);
        icon.addPixmap(pixmap, QIcon::Selected);
        icons.append(icon);
    }
    return icons;
}

} // namespace qv
