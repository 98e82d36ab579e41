#pragma once

#include <QDialog>

namespace qv {

// The "No Directory Scan In Progress" dialog of the stop button: one line of text and "Continue".
class TQVdiag1 : public QDialog
{
    Q_OBJECT
public:
    explicit TQVdiag1(QWidget* parent = nullptr);

    // The stop button with no scan running: centres the dialog on the primary screen and shows it modally.
    void open();

private:
    void QVD1buttonClick();
};

} // namespace qv
