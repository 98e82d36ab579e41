#pragma once

#include <QByteArray>
#include <QListWidget>
#include <map>
#include <string>
#include <vector>

namespace qv {

// The directory list of a directory picker: one row per directory on the path from the drive's root
// down to the open directory (open-folder images, each level indented), then one row per subdirectory
// of the open directory (closed-folder images), one row highlighted. A double-click, or Enter, opens the
// row's directory. Paths are raw bytes; rows show them as display text. A directory that cannot be read
// lists no subdirectories. Symbolic links are not listed: the scan never follows them.
class DirectoryList : public QListWidget
{
    Q_OBJECT
public:
    explicit DirectoryList(QWidget* parent = nullptr);

    // Switches to the drive with this root (a mount point) and opens the directory last open on it, or
    // the root itself.
    void setdrive(const std::string& root);
    const std::string& drive() const { return m_root; }
    // Opens dir (absolute; repeated and trailing "/" are dropped). A dir outside the drive makes "/" the
    // drive. The open directory's row is highlighted.
    void setdirectory(const std::string& dir);
    // The open directory, without a trailing "/" except for "/" itself; empty before anything is open.
    const std::string& directory() const { return m_dir; }
    // The directory of the highlighted row; empty when no row is highlighted.
    std::string highlighted() const;
    // Opens the highlighted row's directory (nothing when no row is highlighted).
    void openhighlighted();
    // The rows' directories, top to bottom.
    std::vector<std::string> rowpaths() const;

    // The subdirectory names of dir, sorted as a person reads them (case-insensitive, then by case).
    static std::vector<std::string> subdirectories(const std::string& dir);
    // dir with repeated and trailing "/" removed ("/" stays "/").
    static std::string normalised(const std::string& dir);

signals:
    // Another directory was opened by the user (double-click or Enter).
    void directorychanged(const QByteArray& dir);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openrow(QListWidgetItem* item);

    std::string m_root = "/";
    std::string m_dir;
    std::map<std::string, std::string> m_lastdir; // per drive root
};

} // namespace qv
