#pragma once

#include "DirectoryList.h"
#include "FindHelpPrompt.h"

#include <QDialog>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace qv {

class DriveSelector;

// The Find Help dialog: where the user points to the directory that holds the help file. Created once
// and re-used: between uses it keeps the drive and directory last shown; at first it shows the
// directory that was current when it was made (at program start). The file box shows "Quorvane.hlp"
// exactly when the open directory holds it (once its listing, made off the GUI thread, has come back).
//
// Keys: Enter presses OK, wherever the focus is (the directory list included), and Esc Cancel. OK
// confirms the highlighted row's directory: a row only highlighted is opened first.
class TQVFindHelp : public QDialog, public FindHelpPrompt
{
    Q_OBJECT
public:
    // mountinfo: the mount table the drive selector lists; startdir: the directory shown first (the
    // current directory when empty); lister: what the directory list lists with (the system's when empty).
    explicit TQVFindHelp(QWidget* parent = nullptr, std::string mountinfo = "/proc/self/mountinfo",
        std::string startdir = {}, DirectoryList::ListerFactory lister = {});

    bool ask() override;
    std::string directory() const override;

    // Moves the dialog to the centre of a screen of that size: (screen - dialog) / 2 each way, truncated.
    void placeon(const QSize& screen);

    void QVFHDriveChange();
    void QVFHDirectoryChange();
    void QVFHOKbtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showfiles();

    DriveSelector* m_drive;
    DirectoryList* m_directory;
    QListWidget* m_files;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace qv
