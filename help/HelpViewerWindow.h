#pragma once

#include "BackgroundCall.h"
#include "HelpFile.h"
#include "HelpViewer.h"

#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

class QPushButton;
class QTextBrowser;
class QUrl;

namespace qv {

// The program's help viewer: a window showing one topic of the help file at a time, with links between
// topics, Contents and Back. It reads the file afresh at every open(), so an edited file shows at once;
// the read runs on a worker, so a help file on a mount that does not answer never stops the window.
// An unknown keyword opens the contents topic.
class HelpViewerWindow : public QWidget, public HelpViewer
{
    Q_OBJECT
public:
    // owner: the window the viewer belongs to (the main window); it may be null.
    explicit HelpViewerWindow(QWidget* owner = nullptr);

    void open(const std::string& path, const QString& keyword, std::function<void(bool shown)> shown) override;

    // The topic on display: its id, or empty before the first open.
    QString currenttopic() const;
    // Follows a link as a click on it would: "#id" shows that topic; links to anything else are ignored,
    // since the viewer starts no other program.
    void followlink(const QUrl& link);

private:
    void showfile(HelpFile file, const QString& keyword);
    void showtopic(int index, bool remember);
    void goback();
    void gocontents();
    void attachtomodal();

    QPointer<QWidget> m_owner;
    QTextBrowser* m_text;
    QPushButton* m_contents;
    QPushButton* m_back;
    std::optional<HelpFile> m_file;
    int m_current = -1;
    std::vector<int> m_history;
    bool m_placed = false;
    BackgroundCall m_read { this };
};

} // namespace qv
