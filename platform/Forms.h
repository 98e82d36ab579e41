#pragma once

#include <QDialog>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <QString>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace qv {

// What the program's windows share.

// The windows' font: "MS Sans Serif" at a pixel size (11 for a window's own font), or where that is
// missing Liberation Sans, whose letters are about as wide (fontconfig's own pick, DejaVu Sans, runs wider
// than the layouts allow).
QFont formfont(int pixelsize = 11);

// Shrinks w's font, a pixel at a time down to 8, until text fits in width pixels: the fonts found here
// for the layout's are not the same shape, and the texts must stay as they are.
void fitfont(QWidget* w, const QString& text, int width);

// The style's own light palette with black text: the ground that parts of a window keep whatever the
// desktop palette.
QPalette lightground();

// Shows w's text in black on that light ground.
void blacktext(QWidget* w);

// The parts of a box that shows one message and one button.
struct MessageParts
{
    QLabel* text;
    QPushButton* button;
};
// Builds such a box in box, fixed at size: the windows' font, the message text named textname in black on
// the light ground at 19 pixels, and the button named buttonname at buttonat. The caller places the text.
MessageParts buildmessagebox(QDialog* box, QSize size, const QString& message, const char* textname,
    const QString& caption, const char* buttonname, const QRect& buttonat);

// A dialog without a cancel button: Escape does nothing (its close box still closes it).
class NoEscapeDialog : public QDialog
{
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace qv
