#include "RegFileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

const std::string Values(ValuesKey);

std::string readfile(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path;
    return f.readAll().toStdString();
}

void writefile(const std::string& path, const std::string& content)
{
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path;
    ASSERT_EQ(f.write(content.data(), qint64(content.size())), qint64(content.size()));
}

bool exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Names in the settings file's directory that start with prefix.
QStringList entries(const std::string& dir, const QString& prefix)
{
    return QDir(QString::fromStdString(dir)).entryList({ prefix + "*" }, QDir::Files | QDir::System, QDir::Name);
}

// Each test gets its own XDG_CONFIG_HOME; the store under test sits at the default path below it.
class RegFileStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_oldxdg = old, m_hadxdg = true;
        setenv("XDG_CONFIG_HOME", config().c_str(), 1);
    }
    void TearDown() override
    {
        if (m_hadxdg)
            setenv("XDG_CONFIG_HOME", m_oldxdg.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    std::string config() const { return m_tmp.path().toStdString() + "/config"; }
    std::string dir() const { return config() + "/Tavenbrook"; }
    std::string file() const { return dir() + "/Quorvane.reg"; }
    void makefile(const std::string& content)
    {
        QDir().mkpath(QString::fromStdString(dir()));
        writefile(file(), content);
    }

    QTemporaryDir m_tmp;
    std::string m_oldxdg;
    bool m_hadxdg = false;
};

TEST_F(RegFileStoreTest, DefaultPathFollowsXdgConfigHome)
{
    EXPECT_EQ(RegFileStore::defaultpath(), file());
    EXPECT_EQ(RegFileStore().path(), file());
    setenv("XDG_CONFIG_HOME", "/etc/xdg-test/", 1);
    EXPECT_EQ(RegFileStore::defaultpath(), "/etc/xdg-test/Tavenbrook/Quorvane.reg");

    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/someone", 1);
    for (const char* xdg : { "", "relative/config" }) {
        setenv("XDG_CONFIG_HOME", xdg, 1);
        EXPECT_EQ(RegFileStore::defaultpath(), "/home/someone/.config/Tavenbrook/Quorvane.reg") << xdg;
    }
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegFileStore::defaultpath(), "/home/someone/.config/Tavenbrook/Quorvane.reg");
    setenv("HOME", home.c_str(), 1);
}

TEST_F(RegFileStoreTest, StringsRoundTripWhateverTheirBytes)
{
    const std::vector<std::string> texts = {
        "",
        "/usr/share/doc/quorvane",
        "C:\\Program Files\\Quorvane\\",
        "say \"hi\"",
        "two\nlines\n",
        "\r\t\x01\x1f\x7f end",
        std::string("nul\0byte", 8),
        "\\n and \\x41 are not escapes here",
        "caf\xc3\xa9 \xff\xfe raw bytes",
        "trailing blanks   ",
        "   leading blanks",
        "\"",
        "\\",
    };
    {
        RegFileStore store;
        for (std::size_t i = 0; i < texts.size(); ++i)
            store.writeString(Values, "s" + std::to_string(i), texts[i]);
    }
    RegFileStore store;
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(store.readString(Values, "s" + std::to_string(i)), texts[i]) << i;

    // Escapes keep the file one line per value, with no control bytes in it.
    const std::string text = readfile(file());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), long(texts.size() + 3));
    for (char c : text)
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

TEST_F(RegFileStoreTest, ValueNamesWithAnyBytesRoundTrip)
{
    RegFileStore store;
    const std::vector<std::string> names = { "with \"quotes\"", "back\\slash", "new\nline", "@", "" };
    for (std::size_t i = 0; i < names.size(); ++i)
        store.writeInteger(Values, names[i], int(i));
    RegFileStore again;
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(again.readInteger(Values, names[i]), int(i)) << names[i];
}

TEST_F(RegFileStoreTest, IntegersRoundTripAsTheir32BitPattern)
{
    const std::vector<std::pair<std::int32_t, std::string>> cases = {
        { 0, "00000000" },
        { 31, "0000001f" },
        { 703, "000002bf" },
        { -1, "ffffffff" },
        { -22, "ffffffea" },
        { INT32_MAX, "7fffffff" },
        { INT32_MIN, "80000000" },
    };
    {
        RegFileStore store;
        for (const auto& [value, hex] : cases)
            store.writeInteger(Values, "i" + std::to_string(value), value);
    }
    RegFileStore store;
    const std::string text = readfile(file());
    for (const auto& [value, hex] : cases) {
        EXPECT_EQ(store.readInteger(Values, "i" + std::to_string(value)), value);
        EXPECT_NE(text.find("\"i" + std::to_string(value) + "\"=dword:" + hex + "\n"), std::string::npos) << hex;
    }
}

TEST_F(RegFileStoreTest, WritesTheRegedit4Layout)
{
    RegFileStore store;
    store.writeInteger(Values, "Left", 22);
    store.writeString(Values, "HelpDirectory", "/opt/q \"help\"\\");
    store.writeString(ColRangeSaveKey, "0", "1\\     10240");
    store.writeInteger(Values, "Left", 31);
    EXPECT_EQ(readfile(file()),
        "REGEDIT4\n"
        "\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n"
        "\"Left\"=dword:0000001f\n"
        "\"HelpDirectory\"=\"/opt/q \\\"help\\\"\\\\\"\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Tavenbrook\\Quorvane\\ColRange]\n"
        "\"0\"=\"1\\\\     10240\"\n");
    EXPECT_EQ(QDir(QString::fromStdString(dir())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList { "Quorvane.reg" });
}

TEST_F(RegFileStoreTest, ReadsCreateNothing)
{
    RegFileStore store;
    EXPECT_FALSE(store.keyExists(Values));
    EXPECT_FALSE(store.valueExists(Values, "Left"));
    EXPECT_THROW(store.readInteger(Values, "Left"), SettingsError);
    EXPECT_THROW(store.readString(Values, "HelpDirectory"), SettingsError);
    EXPECT_FALSE(exists(config()));
}

TEST_F(RegFileStoreTest, ReadErrorsNameTheValue)
{
    RegFileStore store;
    store.writeString(Values, "WhatIf", "4");
    store.writeInteger(Values, "Left", 22);
    store.writeString(Values, "Hex", "x");
    struct Case
    {
        const char* name;
        bool asinteger;
        const char* message;
    };
    const Case cases[] = {
        { "WhatIf", true, "Invalid data type for 'WhatIf'" },
        { "Left", false, "Invalid data type for 'Left'" },
        { "Top", true, "Failed to get data for 'Top'" },
        { "HelpDirectory", false, "Failed to get data for 'HelpDirectory'" },
    };
    for (const Case& c : cases) {
        try {
            if (c.asinteger)
                store.readInteger(Values, c.name);
            else
                store.readString(Values, c.name);
            ADD_FAILURE() << c.name << " read without error";
        } catch (const SettingsError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    // A write replaces the type along with the value.
    store.writeInteger(Values, "WhatIf", 8);
    EXPECT_EQ(store.readInteger(Values, "WhatIf"), 8);
    EXPECT_THROW(store.readString(Values, "WhatIf"), SettingsError);
}

TEST_F(RegFileStoreTest, FailedWritesSayFailedToSetData)
{
    const std::string plain = m_tmp.path().toStdString() + "/plainfile";
    writefile(plain, "not a directory");
    const std::string asdir = m_tmp.path().toStdString() + "/asdir";
    QDir().mkpath(QString::fromStdString(asdir + "/Quorvane.reg"));
    const std::string tavfile = m_tmp.path().toStdString() + "/tavfile";
    QDir().mkpath(QString::fromStdString(tavfile));
    writefile(tavfile + "/Tavenbrook", "a file where the directory should be");

    struct Case
    {
        std::string xdg;
        std::string key;
    };
    const std::vector<Case> cases = {
        { plain, Values }, // the configuration directory is under a regular file
        { tavfile, Values }, // Tavenbrook is a file
        { "/proc/quorvane-test", Values }, // nothing can be made there
        { "/proc/self", Values },
        { config(), "" }, // no key
        { config(), "SOFTWARE\\\\Tavenbrook" },
        { config(), "SOFTWARE\\Bad\nKey" },
    };
    for (const Case& c : cases) {
        setenv("XDG_CONFIG_HOME", c.xdg.c_str(), 1);
        RegFileStore store;
        try {
            store.writeInteger(c.key, "Left", 1);
            ADD_FAILURE() << c.xdg << " " << c.key << " written";
        } catch (const SettingsError& e) {
            EXPECT_STREQ(e.what(), "Failed to set data for 'Left'") << c.xdg;
        }
        try {
            store.writeString(c.key, "HelpDirectory", "/x");
            ADD_FAILURE() << c.xdg << " " << c.key << " written";
        } catch (const SettingsError& e) {
            EXPECT_STREQ(e.what(), "Failed to set data for 'HelpDirectory'") << c.xdg;
        }
    }
    EXPECT_EQ(readfile(plain), "not a directory");
    EXPECT_FALSE(exists(config()));

    // The settings file's name taken by a directory: it stays where it is, and no temporary file is left.
    RegFileStore store(asdir + "/Quorvane.reg");
    testing::internal::CaptureStderr();
    EXPECT_THROW(store.writeInteger(Values, "Left", 1), SettingsError);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(QFileInfo(QString::fromStdString(asdir + "/Quorvane.reg")).isDir());
    EXPECT_EQ(entries(asdir, "Quorvane.reg."), QStringList());
}

// A batch of the four geometry values, all set to i, and a value of its own.
SettingsBatch geometry(int i)
{
    SettingsBatch batch;
    for (const char* name : { "Left", "Top", "Width", "Height" })
        batch.writeInteger(Values, name, i);
    batch.writeInteger(Values, "a" + std::to_string(i), i);
    return batch;
}

// The eight colour values, all holding i, and a value of its own.
SettingsBatch colours(int i)
{
    SettingsBatch batch;
    for (int n = 0; n < 8; ++n)
        batch.writeString(ColRangeSaveKey, std::to_string(n), std::to_string(i));
    batch.writeString(ColRangeSaveKey, "b" + std::to_string(i), std::to_string(-i));
    return batch;
}

// Whether the file as it stands holds whole batches only: all four geometry values alike, all eight
// colour values alike.
bool wholebatches(const std::string& path)
{
    std::string error;
    const std::optional<RegDocument> doc = RegDocument::parse(readfile(path), error);
    if (!doc)
        return false;
    auto same = [&](std::string_view key, const std::vector<std::string>& names) {
        const RegDocument::Value* first = doc->find(key, names[0]);
        for (const std::string& name : names) {
            const RegDocument::Value* v = doc->find(key, name);
            if (!first != !v || (v && (v->dword != first->dword || v->string != first->string)))
                return false;
        }
        return true;
    };
    return same(Values, { "Left", "Top", "Width", "Height" })
        && same(ColRangeLoadKey, { "0", "1", "2", "3", "4", "5", "6", "7" });
}

TEST_F(RegFileStoreTest, TwoInstancesWritingBatchesAtOnceLoseNothingAndMixNothing)
{
    constexpr int PerWriter = 60;
    RegFileStore first, second;
    first.writeString(Values, "Anchor", "here");
    std::atomic<bool> done = false;
    std::atomic<int> misses = 0, mixes = 0;
    std::thread reader([&] {
        RegFileStore store;
        while (!done) {
            if (!store.valueExists(Values, "Anchor"))
                ++misses;
            if (!wholebatches(file()))
                ++mixes;
        }
    });
    std::thread a([&] {
        for (int i = 0; i < PerWriter; ++i)
            first.write(geometry(i));
    });
    std::thread b([&] {
        for (int i = 0; i < PerWriter; ++i)
            second.write(colours(i));
    });
    a.join();
    b.join();
    done = true;
    reader.join();
    EXPECT_EQ(misses, 0) << "a reader saw a file without the anchor value";
    EXPECT_EQ(mixes, 0) << "a reader saw part of a batch";

    RegFileStore check;
    for (int i = 0; i < PerWriter; ++i) {
        EXPECT_EQ(check.readInteger(Values, "a" + std::to_string(i)), i);
        EXPECT_EQ(check.readString(ColRangeLoadKey, "b" + std::to_string(i)), std::to_string(-i));
    }
    EXPECT_EQ(check.readInteger(Values, "Height"), PerWriter - 1);
    EXPECT_EQ(check.readString(ColRangeLoadKey, "7"), std::to_string(PerWriter - 1));
    EXPECT_EQ(entries(dir(), ""), QStringList { "Quorvane.reg" });
}

TEST_F(RegFileStoreTest, AnotherProcessWritingAtOnceLosesNothing)
{
    constexpr int PerWriter = 60;
    RegFileStore store;
    store.writeInteger(Values, "Start", 1); // both processes find the directory made
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int rc = 0;
        try {
            RegFileStore other;
            for (int i = 0; i < PerWriter; ++i)
                other.writeInteger(Values, "child" + std::to_string(i), i);
        } catch (...) {
            rc = 1;
        }
        _exit(rc);
    }
    for (int i = 0; i < PerWriter; ++i)
        store.writeString(Values, "parent" + std::to_string(i), std::to_string(i));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int i = 0; i < PerWriter; ++i) {
        EXPECT_EQ(store.readInteger(Values, "child" + std::to_string(i)), i);
        EXPECT_EQ(store.readString(Values, "parent" + std::to_string(i)), std::to_string(i));
    }
}

const std::string GoodStart = "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n";

TEST_F(RegFileStoreTest, UnreadableFilesAreReportedOnceAndKeptAside)
{
    struct Case
    {
        const char* what;
        std::string content;
    };
    const std::vector<Case> cases = {
        { "garbage bytes",
            std::string("\x7f"
                        "ELF\x02\x01\x01\0\0\0garbage\xff\xfe",
                20) },
        { "no header", "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"Left\"=dword:00000016\n" },
        { "truncated string", GoodStart + "\"HelpDirectory\"=\"/usr/sh" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(QString::fromStdString(dir())).removeRecursively();
        makefile(c.content);
        RegFileStore store;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(store.keyExists(Values));
        EXPECT_FALSE(store.valueExists(Values, "Left"));
        EXPECT_THROW(store.readInteger(Values, "Left"), SettingsError);
        const std::string note = testing::internal::GetCapturedStderr();
        EXPECT_NE(note.find(file() + " cannot be read"), std::string::npos) << note;
        EXPECT_EQ(note.find('\n'), note.size() - 1) << "said more than once: " << note;
        EXPECT_EQ(readfile(file()), c.content) << "a read changed the file";

        testing::internal::CaptureStderr();
        store.writeInteger(Values, "Top", 32);
        const std::string kept = testing::internal::GetCapturedStderr();
        const QStringList aside = entries(dir(), "Quorvane.reg.unreadable-");
        ASSERT_EQ(aside.size(), 1);
        const std::string asidepath = dir() + "/" + aside[0].toStdString();
        EXPECT_EQ(readfile(asidepath), c.content);
        EXPECT_NE(kept.find("kept as " + asidepath), std::string::npos) << kept;
        EXPECT_EQ(store.readInteger(Values, "Top"), 32);
        EXPECT_FALSE(store.valueExists(Values, "Left"));
    }
}

TEST_F(RegFileStoreTest, FilesSetAsideTheSameSecondKeepDistinctNames)
{
    RegFileStore store;
    for (int i = 0; i < 3; ++i) {
        makefile("broken " + std::to_string(i) + "\n");
        testing::internal::CaptureStderr();
        store.writeInteger(Values, "Left", i);
        testing::internal::GetCapturedStderr();
    }
    const QStringList aside = entries(dir(), "Quorvane.reg.unreadable-");
    ASSERT_EQ(aside.size(), 3);
    std::vector<std::string> contents;
    for (const QString& name : aside)
        contents.push_back(readfile(dir() + "/" + name.toStdString()));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string> { "broken 0\n", "broken 1\n", "broken 2\n" }));
}

TEST_F(RegFileStoreTest, HugeFileIsNotReadAndKeptAside)
{
    std::string huge = GoodStart + "\"Left\"=dword:00000016\n";
    const std::string comment = "; " + std::string(1000, 'x') + "\n";
    while (huge.size() <= std::size_t(RegFileStore::MaxFileSize))
        huge += comment;
    makefile(huge);
    RegFileStore store;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(store.valueExists(Values, "Left"));
    store.writeInteger(Values, "Top", 32);
    const std::string note = testing::internal::GetCapturedStderr();
    EXPECT_NE(note.find("larger than"), std::string::npos) << note;
    const QStringList aside = entries(dir(), "Quorvane.reg.unreadable-");
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(QString::fromStdString(dir()) + "/" + aside[0]).size(), qint64(huge.size()));
}

TEST_F(RegFileStoreTest, EmptyFileIsNotAnError)
{
    makefile("");
    RegFileStore store;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(store.keyExists(Values));
    store.writeInteger(Values, "Left", 22);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(readfile(file()), GoodStart + "\"Left\"=dword:00000016\n");
}

TEST_F(RegFileStoreTest, SymbolicLinkIsFollowedNotReplaced)
{
    const std::string real = m_tmp.path().toStdString() + "/dotfiles-quorvane.reg";
    writefile(real, GoodStart + "\"Left\"=dword:00000001\n");
    QDir().mkpath(QString::fromStdString(dir()));
    ASSERT_EQ(symlink(real.c_str(), file().c_str()), 0);
    RegFileStore store;
    store.writeInteger(Values, "Top", 2);
    struct stat st;
    ASSERT_EQ(lstat(file().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readfile(real), GoodStart + "\"Left\"=dword:00000001\n\"Top\"=dword:00000002\n");
}

TEST_F(RegFileStoreTest, FifoAtThePathIsLeftAloneAndDoesNotHang)
{
    QDir().mkpath(QString::fromStdString(dir()));
    ASSERT_EQ(mkfifo(file().c_str(), 0600), 0);
    RegFileStore store;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(store.valueExists(Values, "Left"));
    EXPECT_THROW(store.writeInteger(Values, "Left", 5), SettingsError);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not a regular file"), std::string::npos);
    struct stat st;
    ASSERT_EQ(lstat(file().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(entries(dir(), "Quorvane.reg.unreadable-"), QStringList());
}

TEST_F(RegFileStoreTest, KeepsTheFileMode)
{
    makefile(GoodStart);
    ASSERT_EQ(chmod(file().c_str(), 0644), 0);
    RegFileStore store;
    store.writeInteger(Values, "Left", 1);
    struct stat st;
    ASSERT_EQ(stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// A store that, in a child process, stops its save just before the rename and tells the parent so.
class StoppingStore : public RegFileStore
{
public:
    StoppingStore(int tell, int hold)
        : m_tell(tell)
        , m_hold(hold)
    {
    }

protected:
    void replacing(const std::string&) override
    {
        char c = 1;
        if (::write(m_tell, &c, 1) != 1)
            _exit(2);
        ::read(m_hold, &c, 1); // until killed
    }

private:
    int m_tell, m_hold;
};

// Forks a child that starts saving batch and SIGKILLs it at its rename.
void killsave(const SettingsBatch& batch)
{
    int tell[2], hold[2];
    ASSERT_EQ(pipe(tell), 0);
    ASSERT_EQ(pipe(hold), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            StoppingStore(tell[1], hold[0]).write(batch);
        } catch (...) {
        }
        _exit(3);
    }
    char c = 0;
    ASSERT_EQ(::read(tell[0], &c, 1), 1) << "the child's save never reached its rename";
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    for (int fd : { tell[0], tell[1], hold[0], hold[1] })
        ::close(fd);
}

TEST_F(RegFileStoreTest, ASaveKilledPartWayChangesNothingAndTheNextSaveClearsUpAfterIt)
{
    RegFileStore store;
    store.write(geometry(1));
    const std::string before = readfile(file());
    killsave(geometry(2));
    EXPECT_EQ(readfile(file()), before) << "a killed save changed the file";
    ASSERT_EQ(entries(dir(), "Quorvane.reg.tmp-").size(), 1);

    // Files that are not a killed save's temporary stay, whatever their names look like.
    const QStringList kept = { "Quorvane.reg.tmp-abc", "Quorvane.reg.tmp-abcdef.keep", "Other.reg.tmp-abcdef",
        "Quorvane.reg.tmp-future", "Quorvane.reg.tmp-linkxx" };
    for (const QString& name : kept.mid(0, 4))
        writefile(dir() + "/" + name.toStdString(), "someone else's\n");
    ASSERT_EQ(symlink((dir() + "/Other.reg.tmp-abcdef").c_str(), (dir() + "/Quorvane.reg.tmp-linkxx").c_str()), 0);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir() + "/Quorvane.reg.tmp-dirxyz")));
    // Written after the save began: perhaps a save in progress that does not take our lock.
    const timespec later[2] = { { std::time(nullptr) + 86400, 0 }, { std::time(nullptr) + 86400, 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, (dir() + "/Quorvane.reg.tmp-future").c_str(), later, 0), 0);

    store.write(geometry(3));
    EXPECT_EQ(store.readInteger(Values, "Width"), 3);
    EXPECT_FALSE(store.valueExists(Values, "a2"));
    QStringList want = kept;
    want << "Quorvane.reg"
         << "Quorvane.reg.tmp-dirxyz";
    want.sort();
    EXPECT_EQ(QDir(QString::fromStdString(dir()))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name),
        want);
    EXPECT_EQ(readfile(dir() + "/Quorvane.reg.tmp-future"), "someone else's\n");
}

TEST_F(RegFileStoreTest, AtStartUpAnUnreadableFileIsKeptAsideAndTheTextSaysWhere)
{
    RegFileStore store;
    EXPECT_EQ(store.setasideunreadable(), std::nullopt); // no file
    makefile(GoodStart + "\"Left\"=dword:00000016\n");
    EXPECT_EQ(store.setasideunreadable(), std::nullopt);
    EXPECT_EQ(store.readInteger(Values, "Left"), 22);

    const std::string broken = "[HKEY_CURRENT_USER\\SOFTWARE]\n";
    makefile(broken);
    const std::optional<std::string> text = store.setasideunreadable();
    const QStringList aside = entries(dir(), "Quorvane.reg.unreadable-");
    ASSERT_EQ(aside.size(), 1);
    const std::string asidepath = dir() + "/" + aside[0].toStdString();
    EXPECT_EQ(text,
        "The settings file " + file()
            + " could not be read (line 1: no REGEDIT4 header). The default settings are used, and the old file is "
              "kept as "
            + asidepath);
    EXPECT_EQ(readfile(asidepath), broken);
    EXPECT_FALSE(exists(file()));
    EXPECT_EQ(store.setasideunreadable(), std::nullopt);

    // Something that is not a file is not ours to move.
    ASSERT_EQ(mkfifo(file().c_str(), 0600), 0);
    EXPECT_EQ(store.setasideunreadable(),
        "The settings file " + file()
            + " could not be read (not a regular file). The default settings are used, and none will be saved there");
    struct stat st;
    ASSERT_EQ(lstat(file().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

} // namespace
