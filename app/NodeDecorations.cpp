#include "NodeDecorations.h"

#include "NodeImages.h"
#include "RangePalette.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <vector>

namespace qv {
namespace {

// Disc and node image side by side at a device pixel ratio: 32 x 16 device-independent pixels.
QPixmap compose(const QImage& state, const QImage& node, bool withstate, qreal ratio)
{
    QImage both(static_cast<int>(std::ceil(32 * ratio)), static_cast<int>(std::ceil(16 * ratio)),
        QImage::Format_ARGB32_Premultiplied);
    both.setDevicePixelRatio(ratio);
    both.fill(Qt::transparent);
    QPainter p(&both);
    if (withstate)
        p.drawImage(QRectF(0, 0, 16, 16), state);
    // The node images are pixel art: scaled up, each pixel stays a square.
    p.drawImage(QRectF(16, 0, 16, 16), node);
    p.end();
    return QPixmap::fromImage(both);
}

} // namespace

Decorations nodedecorations(const QList<QImage>& stateimages)
{
    std::vector<qreal> ratios = { 1, 2, 3 };
    const qreal screen = qApp ? qApp->devicePixelRatio() : 1.0;
    if (screen > 1 && screen != 2 && screen != 3)
        ratios.push_back(screen);
    std::vector<QList<QImage>> discs;
    for (const qreal ratio : ratios)
        discs.push_back(ratio == 1 ? stateimages : RangePalette::stateimages(ratio));

    Decorations icons;
    const QImage nodes[4] = { nodeimage(0), nodeimage(1), nodeimage(2), nodeimage(3) };
    for (int s = 0; s < 9; ++s) {
        for (int k = 0; k < 2; ++k) {
            QIcon icon;
            for (std::size_t i = 0; i < ratios.size(); ++i) {
                const QImage state = s < discs[i].size() ? discs[i][s] : QImage();
                const bool withstate = s > 0 && !state.isNull();
                icon.addPixmap(compose(state, nodes[2 * k], withstate, ratios[i]), QIcon::Normal);
                icon.addPixmap(compose(state, nodes[2 * k + 1], withstate, ratios[i]), QIcon::Selected);
            }
            icons[s][k] = icon;
        }
    }
    return icons;
}

} // namespace qv
