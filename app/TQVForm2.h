#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QPushButton;

namespace qv {

class DirectoryList;
class DriveSelector;

// The Select Directory dialog: a drive selector, a directory list and Select, Cancel and Help. No button
// is the default or the cancel button: Enter presses only the button that has the focus, Escape none.
// Kept between showings, so the last drive and directory are still chosen. Each showing starts with the
// focus on Select.
class TQVForm2 : public QDialog
{
    Q_OBJECT
public:
    explicit TQVForm2(QWidget* parent = nullptr, const std::string& mountinfo = "/proc/self/mountinfo");

    // Select: called with the chosen directory (raw bytes; "/" or a path without a trailing "/"; empty
    // when the list has none) after the dialog has hidden. The main window starts the scan.
    std::function<void(const std::string&)> select;
    // Help: called with the help keyword.
    std::function<void(const QString&)> help;

    // File, Select and the start-up: centres the dialog over the main window (mainbounds: its outer
    // bounds) and shows it modally.
    void open(const QRect& mainbounds);
    // As the user opening dir in the list (its drive chosen with it) and pressing Select: the dialog hides
    // if it shows, and select is called.
    void selectdirectory(const std::string& dir);

    DriveSelector* driveselector() const { return m_drives; }
    DirectoryList* directorylist() const { return m_dirs; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void QVF2driveselectChange(const QByteArray& mountpoint);
    void QVF2selectbtnClick();
    void QVF2cancelbtnClick();
    void QVf2helpbtnClick();

    DriveSelector* m_drives;
    DirectoryList* m_dirs;
    QPushButton* m_first;
};

} // namespace qv
