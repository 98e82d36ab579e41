#include "Forms.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
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

void fitfont(QWidget* w, const QString& text, int width)
{
    QFont font = w->font();
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
    w->setFont(font);
}

QPalette lightground()
{
    QPalette light = QApplication::style()->standardPalette();
    light.setColor(QPalette::WindowText, Qt::black);
    return light;
}

void blacktext(QWidget* w)
{
    // Black text needs its own light ground: on a dark desktop palette it would be unreadable.
    w->setPalette(lightground());
    w->setAutoFillBackground(true);
}

MessageParts buildmessagebox(QDialog* box, QSize size, const QString& message, const char* textname,
    const QString& caption, const char* buttonname, const QRect& buttonat)
{
    box->setFixedSize(size);
    box->setFont(formfont());
    auto* text = new QLabel(message, box);
    text->setObjectName(QString::fromLatin1(textname));
    text->setFont(formfont(19));
    blacktext(text);
    auto* button = new QPushButton(caption, box);
    button->setObjectName(QString::fromLatin1(buttonname));
    button->setGeometry(buttonat);
    return { text, button };
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
