#include "HelpLauncher.h"

#include "Feedback.h"
#include "FindHelpPrompt.h"
#include "HelpViewer.h"
#include "PathJoin.h"
#include "PosixDirLister.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

// dir holds an entry of that name (of any type, as the system's lstat would find it).
bool holds(DirLister& lister, const std::string& dir, std::string_view name)
{
    const std::unique_ptr<DirListing> listing = dir.empty() ? nullptr : lister.open(dir);
    DirEntry e;
    while (listing && listing->next(e))
        if (e.name == name)
            return true;
    return false;
}

// Where the program's own copy may be: next to the executable, then in the installed data directory.
std::vector<std::string> programcopies(const std::string& programdir)
{
    if (programdir.empty())
        return {};
    return { programdir, joinpath(parentpath(programdir), "share/quorvane") };
}

// The absolute path by which dir can be made the current directory (a directory we may search), or
// empty when it can't be. A relative dir is taken from the current directory, as chdir() would.
std::string enterable(const std::string& dir)
{
    std::string path = dir;
    if (dir.front() != '/') {
        char* resolved = ::realpath(dir.c_str(), nullptr);
        path = resolved ? resolved : "";
        std::free(resolved);
    }
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(path.c_str(), X_OK) != 0)
        return {};
    return path;
}

} // namespace

HelpLauncher::HelpLauncher(SettingsStore& settings, Feedback& feedback, HelpViewer& viewer, FindHelpPrompt& prompt,
    QWidget* owner, std::string programdir, ListerFactory lister)
    : m_settings(settings)
    , m_feedback(feedback)
    , m_viewer(viewer)
    , m_prompt(prompt)
    , m_owner(owner)
    , m_programdir(std::move(programdir))
    , m_lister(lister ? std::move(lister) : ListerFactory([] { return std::make_unique<PosixDirLister>(); }))
{
}

std::string HelpLauncher::programdirectory()
{
    if (!QCoreApplication::instance())
        return {};
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

void HelpLauncher::showhelp(const QString& keyword)
{
    m_keyword = keyword;
    ++m_request;
    m_opening = false;
    reporterrors(m_feedback, [&] { look(storeddirectory()); });
}

// A missing key, a missing value and an empty value all mean no directory; a value of the wrong type
// throws the store's "Invalid data type for 'HelpDirectory'".
std::string HelpLauncher::storeddirectory()
{
    if (!m_settings.keyExists(ValuesKey) || !m_settings.valueExists(ValuesKey, DirectoryValue))
        return {};
    return m_settings.readString(ValuesKey, DirectoryValue);
}

void HelpLauncher::look(const std::string& dir)
{
    m_look.start<Located>(
        [lister = m_lister, dir, programdir = m_programdir] {
            const std::unique_ptr<DirLister> l = lister();
            return locate(*l, dir, programdir);
        },
        [this](Located& located) { found(located); });
}

HelpLauncher::Located HelpLauncher::locate(DirLister& lister, const std::string& dir, const std::string& programdir)
{
    const std::string name(FileName);
    Located located;
    if (dir.empty()) {
        // No directory set: the current directory, then the program's own copy.
        const std::string here = currentdirectory();
        if (holds(lister, here, name))
            located.path = joinpath(here, name);
        for (const std::string& copy : programcopies(programdir))
            if (located.path.empty() && holds(lister, copy, name))
                located.path = joinpath(copy, name);
        return located;
    }
    // A directory that can't be entered holds no file we could find: the user is asked, as for a
    // missing file. A relative value names a directory below the current one; the viewer is handed the
    // file by its absolute path.
    located.enter = enterable(dir);
    if (!located.enter.empty() && holds(lister, located.enter, name))
        located.path = joinpath(located.enter, name);
    return located;
}

void HelpLauncher::found(const Located& located)
{
    // The current directory is the whole process's: it changes here, on the GUI thread, and only for the
    // request that is answered.
    if (!located.enter.empty() && ::chdir(located.enter.c_str()) != 0)
        return found({}); // gone since the look-up: as if it could not be entered
    const std::string& path = located.path;
    reporterrors(m_feedback, [&] {
        if (!path.empty()) {
            m_opening = true;
            m_viewer.open(
                path, m_keyword, [this, alive = std::weak_ptr<int>(m_alive), request = m_request](bool shown) {
                    if (alive.expired() || request != m_request)
                        return;
                    m_opening = false;
                    if (!shown)
                        m_feedback.message(m_owner.data(), QStringLiteral("Could not create process"));
                });
            return;
        }
        m_asking = true;
        const bool confirmed = m_prompt.ask();
        m_asking = false;
        if (!confirmed)
            return;
        const std::string dir = m_prompt.directory();
        m_settings.writeString(ValuesKey, DirectoryValue, dir);
        look(dir);
    });
}

} // namespace qv
