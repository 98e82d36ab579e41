#include "StopButton.h"

#include "NodeImages.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace qv {

StopButton::StopButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFixedSize(21, 20);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Stop"));
    setToolTip(QString());
    const qreal scale = devicePixelRatioF();
    m_normal = QPixmap::fromImage(stopglyph(true, scale));
    m_disabled = QPixmap::fromImage(stopglyph(false, scale));
}

void StopButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // A pressed button shows its glyph one pixel down and right, as bitmap buttons do.
    const int shift = isDown() ? 1 : 0;
    p.drawPixmap(shift, 1 + shift, isEnabled() ? m_normal : m_disabled);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

} // namespace qv
