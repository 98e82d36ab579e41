#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
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
// directory set, in the program's own directory, where it ships. When it is not found, the Find Help
// dialog asks for the directory; a confirmed one is stored, even if it lacks the file, and the search
// starts again, until the file is found or the user cancels. Settings errors reach the user through
// the standard error report and end the request; a viewer that can't show the file gives "Could not
// create process".
class HelpLauncher
{
public:
    static constexpr std::string_view FileName = "Quorvane.hlp";
    static constexpr std::string_view DirectoryValue = "HelpDirectory";

    // owner: the main window, parent of the message box. programdir: where the program's own copy of
    // the help file is looked for; empty for nowhere.
    HelpLauncher(SettingsStore& settings, Feedback& feedback, HelpViewer& viewer, FindHelpPrompt& prompt,
        QWidget* owner = nullptr, std::string programdir = programdirectory());

    // The help request for a keyword ("Main", "File Menu", "Change Colour Range"). Runs on the GUI thread;
    // no exception leaves it.
    void showhelp(const QString& keyword);

    // The directory of the running program's executable.
    static std::string programdirectory();

private:
    void request(const QString& keyword);
    std::string storeddirectory();

    SettingsStore& m_settings;
    Feedback& m_feedback;
    HelpViewer& m_viewer;
    FindHelpPrompt& m_prompt;
    QPointer<QWidget> m_owner;
    std::string m_programdir;
};

} // namespace qv
