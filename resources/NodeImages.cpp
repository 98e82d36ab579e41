#include "NodeImages.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace qv {
namespace {

QImage canvas(int w, int h, qreal scale)
{
    QImage image(qRound(w * scale), qRound(h * scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    return image;
}

const QColor Outline(128, 96, 0);
const QColor FolderBack(230, 186, 40);
const QColor FolderFront(255, 222, 89);

// The folder's back with its tab, reaching to x = right, outlined.
void folderback(QPainter& p, double right)
{
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.5, 3.5);
    back.lineTo(8.0, 5.0);
    back.lineTo(right, 5.0);
    back.lineTo(right, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(QPen(Outline, 1.0));
    p.setBrush(FolderBack);
    p.drawPath(back);
}

void closedfolder(QPainter& p)
{
    folderback(p, 14.5);
    p.setBrush(FolderFront);
    p.drawRect(QRectF(1.5, 6.5, 13.0, 7.0));
}

void openfolder(QPainter& p)
{
    folderback(p, 13.5);
    // The front flap tilted open towards the viewer.
    QPainterPath flap;
    flap.moveTo(3.5, 7.5);
    flap.lineTo(15.5, 7.5);
    flap.lineTo(13.5, 13.5);
    flap.lineTo(1.5, 13.5);
    flap.closeSubpath();
    p.setBrush(FolderFront);
    p.drawPath(flap);
}

void file(QPainter& p, bool highlighted)
{
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(96, 96, 96), 1.0));
    p.setBrush(highlighted ? QColor(200, 220, 255) : QColor(Qt::white));
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(9.5, 1.5);
    corner.lineTo(9.5, 4.5);
    corner.lineTo(12.5, 4.5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(corner);
    p.setPen(QPen(highlighted ? QColor(0, 64, 160) : QColor(150, 150, 150), 1.0));
    for (qreal y = 6.5; y < 14; y += 2)
        p.drawLine(QPointF(5.0, y), QPointF(11.0, y));
}

} // namespace

QImage nodeimage(int index, qreal scale)
{
    QImage image = canvas(16, 16, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 1:
        openfolder(p);
        break;
    case 2:
        file(p, false);
        break;
    case 3:
        file(p, true);
        break;
    default:
        closedfolder(p);
        break;
    }
    return image;
}

QImage stopglyph(bool enabled, qreal scale)
{
    QImage image = canvas(21, 19, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF disc(0.5, 0.5, 20.0, 18.0);
    p.setPen(QPen(enabled ? QColor(128, 0, 0) : QColor(128, 128, 128), 1.0));
    p.setBrush(enabled ? QColor(230, 0, 0) : QColor(Qt::white));
    p.drawEllipse(disc);
    if (enabled) {
        QFont font(QStringLiteral("Sans Serif"));
        font.setPixelSize(7);
        font.setBold(true);
        font.setStretch(QFont::SemiCondensed);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRectF(0, 0, 21, 19), Qt::AlignCenter, QStringLiteral("Stop"));
    }
    return image;
}

} // namespace qv
