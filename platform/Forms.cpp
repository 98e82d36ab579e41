#include "Forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QStyle>

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
    // Black text needs its own light ground: on a dark desktop palette it would be unreadable.
    QPalette black = w->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    black.setColor(QPalette::Window, QApplication::style()->standardPalette().color(QPalette::Window));
    w->setPalette(black);
    w->setAutoFillBackground(true);
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
