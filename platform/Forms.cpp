#include "Forms.h"

#include <QKeyEvent>
#include <QStringList>

namespace qv {

QFont formfont(int pixelsize)
{
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial") });
    font.setPixelSize(pixelsize);
    return font;
}

void blacktext(QWidget* w)
{
    QPalette black = w->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(black);
}

void NoEscapeDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace qv
