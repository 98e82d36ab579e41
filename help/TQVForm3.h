#pragma once

#include "Forms.h"

class QFrame;
class QLabel;
class QPushButton;

namespace qv {

// The About window: the logo, the program's name and its version. Modal; OK or the close box hide it.
class TQVForm3 : public NoEscapeDialog
{
    Q_OBJECT
public:
    explicit TQVForm3(QWidget* parent = nullptr);

    // Help, About: centres the window on the primary screen and shows it modally.
    void open();

private:
    QFrame* m_panel;
    QLabel* m_image;
    QPushButton* m_ok;
};

} // namespace qv
