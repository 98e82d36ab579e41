#pragma once

#include "BackgroundCall.h"
#include "DirLister.h"

#include <QByteArray>
#include <QListWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// The directory list of a directory picker: one row per directory on the path from the drive's root
// down to the open directory (open-folder images, each level indented), then one row per subdirectory
// of the open directory (closed-folder images), one row highlighted. A double-click, or Enter, opens the
// row's directory. Paths are raw bytes; rows show them as display text. A directory that cannot be read
// lists no subdirectories. Symbolic links are not listed: the scan never follows them. A row whose name
// is cut short shows the whole name as its tooltip.
//
// The window never waits on a file system: opening a directory shows its path rows at once, and its
// subdirectory rows once a worker has listed it (a busy cursor meanwhile). Only the latest directory's
// listing is shown; one that never comes back parks its worker, never the window.
class DirectoryList : public QListWidget
{
    Q_OBJECT
public:
    // Makes the lister for one read; called on a worker thread, so it must be safe to call from any.
    using ListerFactory = std::function<std::unique_ptr<DirLister>()>;

    // What a read of one directory found.
    struct Contents
    {
        std::vector<std::string> subdirectories; // sorted as a person reads them
        std::vector<std::string> files; // every other entry, as listed
    };

    // lister: the system's lister when empty.
    explicit DirectoryList(QWidget* parent = nullptr, ListerFactory lister = {});

    // Switches to the drive with this root (a mount point) and opens the directory last open on it, or
    // the root itself.
    void setdrive(const std::string& root);
    const std::string& drive() const { return m_root; }
    // Opens dir (absolute; repeated and trailing "/" are dropped). A dir outside the drive makes "/" the
    // drive. The open directory's row is highlighted.
    void setdirectory(const std::string& dir);
    // Lists the open directory again.
    void reread();
    // The open directory, without a trailing "/" except for "/" itself; empty before anything is open.
    const std::string& directory() const { return m_dir; }
    // True while the open directory's listing has not come back.
    bool reading() const { return m_read.pending(); }
    // The open directory's entries that are not directories; empty while it is being read.
    const std::vector<std::string>& files() const { return m_files; }
    // The directory of the highlighted row; empty when no row is highlighted.
    std::string highlighted() const;
    // Opens the highlighted row's directory (nothing when no row is highlighted).
    void openhighlighted();
    // The rows' directories, top to bottom.
    std::vector<std::string> rowpaths() const;

    // Lists dir: its subdirectories, sorted case-insensitively then by case, and its other entries.
    // Blocks as long as the file system does.
    static Contents read(DirLister& lister, const std::string& dir);

signals:
    // Another directory was opened by the user (double-click or Enter).
    void directorychanged(const QByteArray& dir);
    // The open directory's listing came back: its subdirectory rows and files() are filled in.
    void listed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openrow(QListWidgetItem* item);
    void startread();
    void showcontents(Contents& contents);
    QListWidgetItem* addrow(const QIcon& icon, const QString& text, const std::string& path, int level);

    ListerFactory m_lister;
    std::string m_root = "/";
    std::string m_dir;
    std::map<std::string, std::string> m_lastdir; // per drive root
    int m_pathrows = 0; // the rows from the root down to the open directory
    std::vector<std::string> m_files;
    BackgroundCall m_read { this };
};

} // namespace qv
