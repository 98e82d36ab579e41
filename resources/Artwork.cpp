#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>
#include <cmath>
#include <numbers>

namespace qv {

namespace {

// The eight band colours and a share of the disc for each, largest first, as a scan often finds them.
struct Wedge
{
    QColor colour;
    int share; // in 1/360 of a turn
};
const std::array<Wedge, 8> Wedges = { {
    { QColor(255, 255, 0), 96 },
    { QColor(0, 255, 255), 72 },
    { QColor(0, 255, 0), 56 },
    { QColor(255, 0, 255), 44 },
    { QColor(255, 0, 0), 34 },
    { QColor(0, 0, 255), 26 },
    { QColor(127, 127, 127), 19 },
    { QColor(0, 0, 0), 13 },
} };

void paintlogo(QPainter& p, qreal side)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(side / 2, side / 2);
    const qreal outer = side * 0.46;
    const qreal pie = side * 0.40;
    const qreal hub = side * 0.075;
    const qreal line = qMax<qreal>(1.0, side / 90);

    // The platter: brushed metal under a dark rim.
    QRadialGradient metal(centre - QPointF(outer / 3, outer / 3), outer * 1.6);
    metal.setColorAt(0, QColor(250, 250, 252));
    metal.setColorAt(0.6, QColor(196, 200, 208));
    metal.setColorAt(1, QColor(120, 126, 138));
    p.setPen(QPen(QColor(40, 44, 52), line * 1.5));
    p.setBrush(metal);
    p.drawEllipse(centre, outer, outer);

    // The wedges, clockwise from twelve o'clock; the largest stands out a little.
    const QRectF box(centre.x() - pie, centre.y() - pie, 2 * pie, 2 * pie);
    int start = 90 * 16;
    for (std::size_t i = 0; i < Wedges.size(); ++i) {
        const int span = -Wedges[i].share * 16;
        QRectF at = box;
        if (i == 0) {
            const qreal mid = (start + span / 2.0) / 16.0 * std::numbers::pi / 180.0;
            at.translate(std::cos(mid) * side * 0.03, -std::sin(mid) * side * 0.03);
        }
        p.setPen(QPen(QColor(30, 30, 30), line));
        p.setBrush(Wedges[i].colour);
        p.drawPie(at, start, span);
        start += span;
    }

    // Track rings over the wedges, faint, so the pie still reads as a disc.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 90), line));
    for (qreal r = pie * 0.45; r < pie; r += pie * 0.18)
        p.drawEllipse(centre, r, r);

    // The spindle hub.
    p.setPen(QPen(QColor(40, 44, 52), line));
    p.setBrush(QColor(235, 236, 240));
    p.drawEllipse(centre, hub, hub);
    p.setBrush(QColor(60, 64, 72));
    p.drawEllipse(centre, hub * 0.4, hub * 0.4);
}

QPixmap canvas(int side, qreal ratio)
{
    QPixmap pixmap(qRound(side * ratio), qRound(side * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap quorvanelogo(int side, qreal devicepixelratio)
{
    QPixmap pixmap = canvas(side, devicepixelratio);
    QPainter p(&pixmap);
    paintlogo(p, side);
    return pixmap;
}

QIcon abouticon()
{
    QIcon icon;
    for (int side : { 16, 24, 32, 48, 64 }) {
        QPixmap pixmap = quorvanelogo(side);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal r = side * 0.22;
        const QPointF c(side - r - 0.5, side - r - 0.5);
        p.setPen(QPen(Qt::white, qMax<qreal>(1.0, side / 32.0)));
        p.setBrush(QColor(20, 80, 170));
        p.drawEllipse(c, r, r);
        QFont font;
        font.setBold(true);
        font.setPixelSize(qMax(6, qRound(r * 1.5)));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), Qt::AlignCenter, QStringLiteral("i"));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace qv
