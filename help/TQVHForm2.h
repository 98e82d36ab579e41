#pragma once

#include "Forms.h"

class QPlainTextEdit;

namespace qv {

// The History window: the program's version history, oldest first. Not modal; closing only hides it.
class TQVHForm2 : public NoEscapeDialog
{
    Q_OBJECT
public:
    explicit TQVHForm2(QWidget* parent = nullptr);

    // Help, History: places the window at the main window's left + 150 and top + 90 (mainbounds: its
    // outer bounds), shows it without making it modal and brings it to the front.
    void open(const QRect& mainbounds);

    static QString historytext();

private:
    QPlainTextEdit* m_history;
};

} // namespace qv
