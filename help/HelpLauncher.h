#pragma once

#include "BackgroundCall.h"
#include "DirLister.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

class Feedback;
class FindHelpPrompt;
class HelpViewer;
class SettingsStore;

// Opens the help file at the topic of a keyword, asking for its directory when it can't be found.
//
// Each request reads "HelpDirectory" afresh and makes it the current directory (left as it is when the
// value is empty or names a directory that can't be entered; never restored). The help file is looked
// for in that directory, or in the current one when no directory is set; failing that, with no
// directory set, in the program's own copy: next to the executable (a build tree), then in the data
// directory of its installation, ../share/quorvane from the executable's directory (so a relocated
// prefix works). When it is not found, the Find Help
// dialog asks for the directory; a confirmed one is stored, even if it lacks the file, and the search
// starts again, until the file is found or the user cancels. Settings errors reach the user through
// the standard error report and end the request; a viewer that can't show the file gives "Could not
// create process".
//
// The window never waits on a file system: the look-ups run on a worker, through the listing seam and
// by absolute paths, and the request goes on on the GUI thread when they are done, where the current
// directory changes. A look-up that never returns parks its worker; a later request supersedes it.
class HelpLauncher
{
public:
    static constexpr std::string_view FileName = "Quorvane.hlp";
    static constexpr std::string_view DirectoryValue = "HelpDirectory";

    // Makes the lister for one look-up; called on a worker thread.
    using ListerFactory = std::function<std::unique_ptr<DirLister>()>;

    // owner: the main window, parent of the message box. programdir: the executable's directory, from
    // which the program's own copy of the help file is found; empty for nowhere. lister: the system's
    // lister when empty.
    HelpLauncher(SettingsStore& settings, Feedback& feedback, HelpViewer& viewer, FindHelpPrompt& prompt,
        QWidget* owner = nullptr, std::string programdir = programdirectory(), ListerFactory lister = {});

    // Starts the help request for a keyword ("Main", "File Menu", "Change Colour Range"), replacing one
    // still in progress. Call on the GUI thread; no exception leaves it.
    void showhelp(const QString& keyword);
    // True from showhelp() until the request has ended (the viewer asked, or the user gave up).
    bool busy() const { return m_asking || m_opening || m_look.pending(); }

    // The directory of the running program's executable.
    static std::string programdirectory();

private:
    // What a look-up found: the help file's path (empty when it is not there), and the directory the
    // request makes current (empty for none).
    struct Located
    {
        std::string path;
        std::string enter;
    };
    void look(const std::string& dir);
    void found(const Located& located);
    std::string storeddirectory();
    // Looks for the help file in dir (when set) without changing the current directory.
    static Located locate(DirLister& lister, const std::string& dir, const std::string& programdir);

    SettingsStore& m_settings;
    Feedback& m_feedback;
    HelpViewer& m_viewer;
    FindHelpPrompt& m_prompt;
    QPointer<QWidget> m_owner;
    std::string m_programdir;
    ListerFactory m_lister;
    QString m_keyword;
    bool m_asking = false;
    bool m_opening = false; // the viewer reads the file
    unsigned m_request = 0; // counts requests: the viewer's answer to an earlier one is dropped
    std::shared_ptr<int> m_alive = std::make_shared<int>(0); // the viewer's answer may outlive us
    QObject m_receiver;
    BackgroundCall m_look { &m_receiver };
};

} // namespace qv
