#pragma once

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace qv {

// The Warranty window. Agree (Enter) or the close box dismiss it; Disagree (Esc) ends the program at
// once with status 0, without the main window's close handling, so the window position is not saved.
class TQVHForm6 : public QDialog
{
    Q_OBJECT
public:
    using ExitFunction = std::function<void(int status)>;

    // exitfn ends the program; tests give one that records the status.
    explicit TQVHForm6(QWidget* parent = nullptr, ExitFunction exitfn = immediateexit);

    // Help, Warranty: places the window at the main window's left + 120 and top + 120 (mainbounds: its
    // outer bounds) and shows it modally.
    void open(const QRect& mainbounds);

    void QVWarrantyNOClick();
    // Flushes the standard streams and ends the process with the status; no handler or destructor runs.
    [[noreturn]] static void immediateexit(int status);

    static QString warrantytext();

public slots:
    void reject() override; // the close box agrees

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ExitFunction m_exit;
    QPlainTextEdit* m_memo;
    QPushButton* m_ok;
    QPushButton* m_no;
};

} // namespace qv
