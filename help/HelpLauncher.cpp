#include "HelpLauncher.h"

#include "Feedback.h"
#include "FindHelpPrompt.h"
#include "HelpViewer.h"
#include "PathJoin.h"
#include "PosixDirLister.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <string>
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
    const unsigned ticket = ++*m_looks;
    m_look.start<std::string>(
        [looks = m_looks, ticket, lister = m_lister, dir, programdir = m_programdir]() -> std::string {
            if (*looks != ticket)
                return {}; // superseded before it ran
            const std::unique_ptr<DirLister> l = lister();
            return locate(*l, dir, programdir);
        },
        [this](std::string& path) { found(path); });
}

std::string HelpLauncher::locate(DirLister& lister, const std::string& dir, const std::string& programdir)
{
    const std::string name(FileName);
    if (dir.empty()) {
        // No directory set: the current directory, then the program's own copy.
        const std::string here = currentdirectory();
        if (holds(lister, here, name))
            return joinpath(here, name);
        for (const std::string& copy : programcopies(programdir))
            if (holds(lister, copy, name))
                return joinpath(copy, name);
        return {};
    }
    // A directory that can't be entered holds no file we could find: the user is asked, as for a
    // missing file.
    if (::chdir(dir.c_str()) != 0)
        return {};
    const std::string here = currentdirectory();
    if (!holds(lister, here, name))
        return {};
    // A relative value names a directory below the one the request started in, which is no longer the
    // current one: hand the viewer the file by its absolute path then.
    return joinpath(dir.front() == '/' ? dir : here, name);
}

void HelpLauncher::found(const std::string& path)
{
    reporterrors(m_feedback, [&] {
        if (!path.empty()) {
            if (!m_viewer.open(path, m_keyword))
                m_feedback.message(m_owner.data(), QStringLiteral("Could not create process"));
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
