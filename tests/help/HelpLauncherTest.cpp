#include "HelpLauncher.h"

#include "FakeFiles.h"
#include "FindHelpPrompt.h"
#include "RecordingFeedback.h"
#include "RecordingViewer.h"
#include "RegFileStore.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <unistd.h>

using namespace qv;

namespace {

std::string cwd()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

// The current directory is the process's: every test that lets the launcher change it gets it back.
class CwdGuard
{
public:
    CwdGuard()
        : m_saved(cwd())
    {
    }
    ~CwdGuard() { EXPECT_EQ(::chdir(m_saved.c_str()), 0); }

private:
    std::string m_saved;
};

// Answers the Find Help dialog from a script: each answer confirms a directory or cancels.
struct ScriptedPrompt : FindHelpPrompt
{
    struct Answer
    {
        bool confirm;
        std::string dir;
    };
    std::deque<Answer> answers;
    int asks = 0;
    std::string current;
    std::function<void()> onask; // looks at the world while the dialog is "up"
    bool ask() override
    {
        ++asks;
        if (onask)
            onask();
        if (answers.empty())
            return false; // more questions than the test expected: give up, as Cancel would
        const Answer a = answers.front();
        answers.pop_front();
        current = a.dir;
        return a.confirm;
    }
    std::string directory() const override { return current; }
};

class HelpLauncherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old)
            m_oldconfig = old;
        setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
        store.emplace();
    }
    void TearDown() override
    {
        if (m_oldconfig)
            setenv("XDG_CONFIG_HOME", m_oldconfig->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    // A directory (made inside the test's tree) and whether it holds the help file.
    std::string makedir(const char* name, bool withfile)
    {
        EXPECT_TRUE(QDir(tree.path()).mkpath(QString::fromUtf8(name)));
        const std::string dir = tree.filePath(QString::fromUtf8(name)).toStdString();
        if (withfile) {
            QFile f(QString::fromStdString(dir + "/Quorvane.hlp"));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("<!-- Quorvane help file -->");
        }
        return dir;
    }

    HelpLauncher launcher(const std::string& programdir = {}, HelpLauncher::ListerFactory lister = {})
    {
        return HelpLauncher(*store, feedback, viewer, prompt, nullptr, programdir, std::move(lister));
    }
    // A help request, to its end: the look-ups run on workers, the rest when they are back.
    static void help(HelpLauncher& launcher, const char* keyword)
    {
        launcher.showhelp(QString::fromUtf8(keyword));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !launcher.busy(); })) << keyword;
    }
    static void help(HelpLauncher&& launcher, const char* keyword) { help(launcher, keyword); }

    std::optional<std::string> storedvalue()
    {
        RegFileStore fresh; // a second reader sees what reached the file
        if (!fresh.valueExists(ValuesKey, "HelpDirectory"))
            return std::nullopt;
        return fresh.readString(ValuesKey, "HelpDirectory");
    }

    QTemporaryDir config, tree;
    std::optional<RegFileStore> store;
    test::RecordingFeedback feedback;
    test::RecordingViewer viewer;
    ScriptedPrompt prompt;
    CwdGuard guard;

private:
    std::optional<std::string> m_oldconfig;
};

} // namespace

TEST_F(HelpLauncherTest, FileInTheCurrentDirectoryOpensAtOnceWithEachCallersKeyword)
{
    const std::string here = makedir("here", true);
    ASSERT_EQ(::chdir(here.c_str()), 0);
    HelpLauncher same = launcher();
    for (const char* keyword : { "Main", "File Menu", "Change Colour Range" })
        help(same, keyword);

    EXPECT_EQ(prompt.asks, 0);
    ASSERT_EQ(viewer.calls.size(), 3u);
    EXPECT_EQ(viewer.calls[0].keyword, QStringLiteral("Main"));
    EXPECT_EQ(viewer.calls[1].keyword, QStringLiteral("File Menu"));
    EXPECT_EQ(viewer.calls[2].keyword, QStringLiteral("Change Colour Range"));
    for (const auto& call : viewer.calls) {
        EXPECT_EQ(call.path, here + "/Quorvane.hlp");
        EXPECT_TRUE(call.fileexisted);
    }
    EXPECT_EQ(cwd(), here);
    EXPECT_FALSE(storedvalue());
    EXPECT_TRUE(feedback.errors.empty());
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(HelpLauncherTest, NoFileAndCancelStoresNothingAndSaysNothing)
{
    const std::string empty = makedir("empty", false);
    const std::string program = makedir("program", false);
    ASSERT_EQ(::chdir(empty.c_str()), 0);
    help(launcher(program), "Main");

    EXPECT_EQ(prompt.asks, 1);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_FALSE(storedvalue());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(RegFileStore::defaultpath())));
    EXPECT_TRUE(feedback.errors.empty());
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(cwd(), empty);
}

TEST_F(HelpLauncherTest, AWrongDirectoryIsStoredAndAskedAgainUntilTheRightOne)
{
    const std::string empty = makedir("empty", false);
    const std::string wrong = makedir("wrong", false);
    const std::string right = makedir("docs/help", true);
    ASSERT_EQ(::chdir(empty.c_str()), 0);
    prompt.answers = { { true, wrong }, { true, right } };
    std::vector<std::optional<std::string>> storedatask;
    prompt.onask = [&] { storedatask.push_back(storedvalue()); };

    HelpLauncher same = launcher();
    help(same, "File Menu");

    EXPECT_EQ(prompt.asks, 2);
    ASSERT_EQ(storedatask.size(), 2u);
    EXPECT_FALSE(storedatask[0]);
    EXPECT_EQ(storedatask[1], wrong); // stored although it lacks the file
    EXPECT_EQ(storedvalue(), right);
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].path, right + "/Quorvane.hlp");
    EXPECT_EQ(viewer.calls[0].keyword, QStringLiteral("File Menu"));
    EXPECT_TRUE(viewer.calls[0].fileexisted);
    EXPECT_EQ(cwd(), right); // not restored

    // The next request, from anywhere, opens directly.
    ASSERT_EQ(::chdir(empty.c_str()), 0);
    help(same, "Change Colour Range");
    EXPECT_EQ(prompt.asks, 2);
    ASSERT_EQ(viewer.calls.size(), 2u);
    EXPECT_EQ(viewer.calls[1].path, right + "/Quorvane.hlp");
    EXPECT_EQ(viewer.calls[1].keyword, QStringLiteral("Change Colour Range"));
    EXPECT_EQ(cwd(), right);
    EXPECT_TRUE(feedback.errors.empty());
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(HelpLauncherTest, AStoredDirectoryWithoutTheFileBringsTheDialog)
{
    const std::string program = makedir("program", true);
    const struct
    {
        const char* what;
        std::string stored;
        bool entered;
    } cases[] = {
        { "no longer holds the file", makedir("emptied", false), true },
        { "no longer exists", tree.filePath(QStringLiteral("gone")).toStdString(), false },
        { "is a file", program + "/Quorvane.hlp", false },
    };
    const std::string start = makedir("start", true); // even a current directory that holds the file
    for (const auto& c : cases) {
        ASSERT_EQ(::chdir(start.c_str()), 0);
        store->writeString(ValuesKey, "HelpDirectory", c.stored);
        const int asks = prompt.asks;
        help(launcher(program), "Main");
        EXPECT_EQ(prompt.asks, asks + 1) << c.what;
        EXPECT_TRUE(viewer.calls.empty()) << c.what;
        EXPECT_EQ(cwd(), c.entered ? c.stored : start) << c.what;
        EXPECT_EQ(storedvalue(), c.stored) << c.what;
    }
    EXPECT_TRUE(feedback.errors.empty());
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(HelpLauncherTest, AnEmptyValueMeansNoDirectory)
{
    const std::string here = makedir("here", true);
    ASSERT_EQ(::chdir(here.c_str()), 0);
    store->writeString(ValuesKey, "HelpDirectory", "");
    help(launcher(), "Main");
    EXPECT_EQ(prompt.asks, 0);
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].path, here + "/Quorvane.hlp");
}

TEST_F(HelpLauncherTest, WithNoDirectorySetTheProgramsOwnCopyServes)
{
    const std::string empty = makedir("empty", false);
    const std::string program = makedir("program", true);
    ASSERT_EQ(::chdir(empty.c_str()), 0);
    help(launcher(program), "Main");
    EXPECT_EQ(prompt.asks, 0);
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].path, program + "/Quorvane.hlp");
    EXPECT_EQ(cwd(), empty);
    EXPECT_FALSE(storedvalue());

    // A copy in the current directory comes first.
    const std::string here = makedir("here", true);
    ASSERT_EQ(::chdir(here.c_str()), 0);
    help(launcher(program), "Main");
    ASSERT_EQ(viewer.calls.size(), 2u);
    EXPECT_EQ(viewer.calls[1].path, here + "/Quorvane.hlp");
}

TEST_F(HelpLauncherTest, TheInstalledDataDirectoryServesWhereverThePrefixWasMoved)
{
    const std::string empty = makedir("empty", false);
    const std::string bin = makedir("opt/moved/bin", false);
    const std::string data = makedir("opt/moved/share/quorvane", true);
    ASSERT_EQ(::chdir(empty.c_str()), 0);
    help(launcher(bin), "Main");
    EXPECT_EQ(prompt.asks, 0);
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].path, data + "/Quorvane.hlp");
    EXPECT_TRUE(viewer.calls[0].fileexisted);

    // A copy next to the executable (a build tree) comes before it.
    const std::string build = makedir("build/bin", true);
    makedir("build/share/quorvane", true);
    help(launcher(build), "Main");
    ASSERT_EQ(viewer.calls.size(), 2u);
    EXPECT_EQ(viewer.calls[1].path, build + "/Quorvane.hlp");

    // A stored directory is not overruled by either.
    store->writeString(ValuesKey, "HelpDirectory", empty);
    help(launcher(bin), "Main");
    EXPECT_EQ(prompt.asks, 1);
    EXPECT_EQ(viewer.calls.size(), 2u);
}

TEST_F(HelpLauncherTest, ALookUpThatHangsHoldsUpNothingAndALaterRequestReplacesIt)
{
    const std::string dead = makedir("dead", true);
    const std::string right = makedir("right", true);
    test::FakeFiles lister(test::FakeFiles::RealFileSystem);
    lister.hold(dead);
    HelpLauncher same = launcher({}, lister.factory());
    store->writeString(ValuesKey, "HelpDirectory", dead);
    const std::string start = cwd();
    same.showhelp(QStringLiteral("Main"));
    lister.waitforheld(1);
    EXPECT_TRUE(same.busy());
    EXPECT_EQ(cwd(), start); // a look-up changes no directory: only its answer may
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_EQ(prompt.asks, 0);

    // The user points elsewhere and asks again: that request is served while the first still hangs.
    store->writeString(ValuesKey, "HelpDirectory", right);
    help(same, "File Menu");
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].path, right + "/Quorvane.hlp");

    // Once the hung look-up returns, nothing comes of it.
    lister.release();
    help(same, "Change Colour Range");
    QCoreApplication::processEvents();
    ASSERT_EQ(viewer.calls.size(), 2u);
    EXPECT_EQ(viewer.calls[1].keyword, QStringLiteral("Change Colour Range"));
    EXPECT_EQ(prompt.asks, 0);
    EXPECT_EQ(cwd(), right);
}

TEST_F(HelpLauncherTest, ARelativeDirectoryIsHandedOnAsAnAbsolutePath)
{
    const std::string docs = makedir("docs", true);
    ASSERT_EQ(::chdir(tree.path().toLocal8Bit().constData()), 0);
    store->writeString(ValuesKey, "HelpDirectory", "docs");
    help(launcher(), "Main");
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].path, docs + "/Quorvane.hlp");
    EXPECT_TRUE(viewer.calls[0].fileexisted);
}

TEST_F(HelpLauncherTest, TheRootDirectoryJoinsWithoutDoubling)
{
    test::FakeFiles lister;
    lister.listing("/", { test::fakefile("Quorvane.hlp", 10) });
    store->writeString(ValuesKey, "HelpDirectory", "/");
    help(launcher({}, lister.factory()), "Main");
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].path, "/Quorvane.hlp");
    EXPECT_EQ(cwd(), "/");
}

TEST_F(HelpLauncherTest, ALookUpThatThrowsEndsLikeAMissingFile)
{
    store->writeString(ValuesKey, "HelpDirectory", makedir("here", true));
    help(launcher({}, []() -> std::unique_ptr<DirLister> { throw std::runtime_error("no lister"); }), "Main");
    EXPECT_EQ(prompt.asks, 1);
    EXPECT_TRUE(viewer.calls.empty());
}

TEST_F(HelpLauncherTest, ANonStringValueEndsTheRequestWithTheErrorReport)
{
    const std::string here = makedir("here", true);
    ASSERT_EQ(::chdir(here.c_str()), 0);
    store->writeInteger(ValuesKey, "HelpDirectory", 7);
    help(launcher(), "Main");
    ASSERT_EQ(feedback.errors.size(), 1);
    EXPECT_EQ(feedback.errors[0], QStringLiteral("Invalid data type for 'HelpDirectory'"));
    EXPECT_EQ(prompt.asks, 0);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(HelpLauncherTest, AFailedWriteEndsTheRequestWithTheErrorReport)
{
    // A plain file where the settings directory belongs: nothing can be written below it.
    QFile blocker(config.filePath(QStringLiteral("Tavenbrook")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const std::string empty = makedir("empty", false);
    const std::string right = makedir("right", true);
    ASSERT_EQ(::chdir(empty.c_str()), 0);
    prompt.answers = { { true, right } };
    help(launcher(), "Main");
    ASSERT_EQ(feedback.errors.size(), 1);
    EXPECT_EQ(feedback.errors[0], QStringLiteral("Failed to set data for 'HelpDirectory'"));
    EXPECT_EQ(prompt.asks, 1);
    EXPECT_TRUE(viewer.calls.empty());
}

TEST_F(HelpLauncherTest, AViewerThatFailsSaysCouldNotCreateProcess)
{
    const std::string here = makedir("here", true);
    ASSERT_EQ(::chdir(here.c_str()), 0);
    viewer.result = false;
    help(launcher(), "Main");
    ASSERT_EQ(viewer.calls.size(), 1u);
    ASSERT_EQ(feedback.messages.size(), 1);
    EXPECT_EQ(feedback.messages[0], QStringLiteral("Could not create process"));
    EXPECT_TRUE(feedback.errors.empty());
}
