#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace qv {

// The History window: the program's version history, oldest first. Not modal; closing only hides it.
class TQVHForm2 : public QDialog
{
    Q_OBJECT
public:
    explicit TQVHForm2(QWidget* parent = nullptr);

    // Top-left for the window: the main window's left + 150 and top + 90 (outer bounds).
    static QPoint placement(const QRect& mainbounds);
    // Help, History: places the window beside the main window, shows it and brings it to the front.
    void showbeside(const QRect& mainbounds);

    static QString historytext();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPlainTextEdit* m_history;
};

} // namespace qv
