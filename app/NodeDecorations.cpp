#include "NodeDecorations.h"

#include "NodeImages.h"

#include <QPainter>
#include <QPixmap>

namespace qv {
namespace {

QPixmap compose(const QImage& state, const QImage& node, bool withstate)
{
    QImage both(32, 16, QImage::Format_ARGB32_Premultiplied);
    both.fill(Qt::transparent);
    QPainter p(&both);
    if (withstate)
        p.drawImage(QRect(0, 0, 16, 16), state);
    p.drawImage(QRect(16, 0, 16, 16), node);
    p.end();
    return QPixmap::fromImage(both);
}

} // namespace

Decorations nodedecorations(const QList<QImage>& stateimages)
{
    Decorations icons;
    const QImage nodes[4] = { nodeimage(0), nodeimage(1), nodeimage(2), nodeimage(3) };
    for (int s = 0; s < 9; ++s) {
        const QImage state = s < stateimages.size() ? stateimages[s] : QImage();
        const bool withstate = s > 0 && !state.isNull();
        for (int k = 0; k < 2; ++k) {
            QIcon icon;
            icon.addPixmap(compose(state, nodes[2 * k], withstate), QIcon::Normal);
            icon.addPixmap(compose(state, nodes[2 * k + 1], withstate), QIcon::Selected);
            icons[s][k] = icon;
        }
    }
    return icons;
}

} // namespace qv
