#pragma once

#include <QDialog>
#include <QFont>

class QKeyEvent;

namespace qv {

// What the program's windows share.

// The windows' font: "MS Sans Serif" at a pixel size (11 for a window's own font), or where that is
// missing Liberation Sans, whose letters are about as wide (fontconfig's own pick, DejaVu Sans, runs wider
// than the layouts allow).
QFont formfont(int pixelsize = 11);

// Shows w's text in black on the style's own light ground whatever the palette.
void blacktext(QWidget* w);

// A dialog without a cancel button: Escape does nothing (its close box still closes it).
class NoEscapeDialog : public QDialog
{
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace qv
