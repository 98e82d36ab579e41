#include "HelpLauncher.h"

#include "Feedback.h"
#include "FindHelpPrompt.h"
#include "HelpViewer.h"
#include "PathJoin.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

bool entryexists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

HelpLauncher::HelpLauncher(SettingsStore& settings, Feedback& feedback, HelpViewer& viewer, FindHelpPrompt& prompt,
    QWidget* owner, std::string programdir)
    : m_settings(settings)
    , m_feedback(feedback)
    , m_viewer(viewer)
    , m_prompt(prompt)
    , m_owner(owner)
    , m_programdir(std::move(programdir))
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
    reporterrors(m_feedback, [&] { request(keyword); });
}

// A missing key, a missing value and an empty value all mean no directory; a value of the wrong type
// throws the store's "Invalid data type for 'HelpDirectory'".
std::string HelpLauncher::storeddirectory()
{
    if (!m_settings.keyExists(ValuesKey) || !m_settings.valueExists(ValuesKey, DirectoryValue))
        return {};
    return m_settings.readString(ValuesKey, DirectoryValue);
}

void HelpLauncher::request(const QString& keyword)
{
    const std::string name(FileName);
    std::string dir = storeddirectory();
    std::string path;
    for (;;) {
        const bool entered = !dir.empty() && ::chdir(dir.c_str()) == 0;
        if (dir.empty()) {
            // No directory set: the current directory, then the program's own.
            if (entryexists(name)) {
                path = joinpath(currentdirectory(), name);
                break;
            }
            if (!m_programdir.empty() && entryexists(joinpath(m_programdir, name))) {
                path = joinpath(m_programdir, name);
                break;
            }
        } else if (entered && entryexists(name)) {
            // A relative value names a directory below the one the request started in, which is no
            // longer the current one: hand the viewer the file by its absolute path then.
            path = dir.front() == '/' ? dir + "/" + name : joinpath(currentdirectory(), name);
            break;
        }
        // A directory that can't be entered holds no file we could find: ask, as for a missing file.
        if (!m_prompt.ask())
            return;
        dir = m_prompt.directory();
        m_settings.writeString(ValuesKey, DirectoryValue, dir);
    }
    if (!m_viewer.open(path, keyword))
        m_feedback.message(m_owner.data(), QStringLiteral("Could not create process"));
}

} // namespace qv
