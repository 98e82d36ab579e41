#pragma once

#include <QLabel>

namespace qv {

// The main window's status line: a label that screen readers are told is a status bar (its text is
// their name and value of it), so that progress and results are announced as status.
class StatusLine : public QLabel
{
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);
};

} // namespace qv
