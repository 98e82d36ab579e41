#include "DirectoryList.h"
#include "DriveSelector.h"
#include "FakeFiles.h"
#include "HelpLauncher.h"
#include "Placement.h"
#include "RecordingFeedback.h"
#include "RecordingViewer.h"
#include "RegFileStore.h"
#include "TQVFindHelp.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>
#include <utility>

using namespace qv;

namespace {

// A tree of directories, and a mount table that lists "/" and the tree's top as two drives.
class FindHelpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* d : { "start", "start/docs", "start/other", "second/help" })
            ASSERT_TRUE(QDir(tree.path()).mkpath(QString::fromUtf8(d)));
        touch("start/docs/Quorvane.hlp");
        touch("second/help/Quorvane.hlp");
        ASSERT_TRUE(QDir(tree.path()).mkpath(QStringLiteral("start/other/Quorvane.hlp"))); // a directory
        QFile table(tree.filePath(QStringLiteral("mountinfo")));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly));
        table.write("21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n");
        table.write(
            QStringLiteral("35 21 0:31 / %1/second rw,relatime shared:2 - tmpfs tmpfs rw\n").arg(tree.path()).toUtf8());
        table.close();
        mountinfo = table.fileName().toStdString();
    }

    void touch(const char* name)
    {
        QFile f(tree.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<!-- Quorvane help file -->");
    }
    std::string path(const char* name) const { return tree.filePath(QString::fromUtf8(name)).toStdString(); }

    static QStringList files(TQVFindHelp& dialog)
    {
        QStringList names;
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("QVFHFiles"));
        for (int i = 0; list && i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    static DirectoryList* dirs(TQVFindHelp& d) { return d.findChild<DirectoryList*>(QStringLiteral("QVFHDirectory")); }
    // Waits until the directory list's listing, and with it the file box, is in.
    static void settle(TQVFindHelp& d)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dirs(d)->reading(); }));
    }
    static DriveSelector* drives(TQVFindHelp& d) { return d.findChild<DriveSelector*>(QStringLiteral("QVFHDrive")); }

    // Double-clicks the directory list's row for dir.
    static void open(TQVFindHelp& dialog, const std::string& dir)
    {
        settle(dialog);
        DirectoryList* list = dirs(dialog);
        const auto rows = list->rowpaths();
        const auto it = std::find(rows.begin(), rows.end(), dir);
        ASSERT_NE(it, rows.end()) << dir;
        QListWidgetItem* item = list->item(static_cast<int>(it - rows.begin()));
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        settle(dialog);
    }

    // Runs fn inside the modal loop of the dialog's next showing; cancels it should fn leave it open.
    static void duringask(TQVFindHelp& dialog, std::function<void()> fn)
    {
        auto* watcher = new ShowWatcher(&dialog, [&dialog, fn] {
            QTimer::singleShot(0, &dialog, [&dialog, fn] {
                fn();
                QTimer::singleShot(2000, &dialog, [&dialog] {
                    if (dialog.isVisible())
                        dialog.reject();
                });
            });
        });
        dialog.installEventFilter(watcher);
    }

    // Calls its function once, when the dialog it watches is next shown.
    class ShowWatcher : public QObject
    {
    public:
        ShowWatcher(QObject* parent, std::function<void()> fn)
            : QObject(parent)
            , m_fn(std::move(fn))
        {
        }
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Show && m_fn) {
                std::exchange(m_fn, nullptr)();
                deleteLater();
            }
            return false;
        }

    private:
        std::function<void()> m_fn;
    };

    QTemporaryDir tree;
    std::string mountinfo;
};

} // namespace

TEST_F(FindHelpTest, Layout)
{
    TQVFindHelp dialog(nullptr, mountinfo, path("start"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Quorvane Find Help"));
    EXPECT_EQ(dialog.size(), QSize(310, 273));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    const struct
    {
        const char* name;
        const char* text;
        int points;
    } labels[] = { { "Label1", "Unable To Find Quorvane.hlp", 12 },
        { "Label2", "Please Select Directory it is Located in", 10 } };
    for (const auto& l : labels) {
        auto* label = dialog.findChild<QLabel*>(QString::fromUtf8(l.name));
        ASSERT_TRUE(label) << l.name;
        EXPECT_EQ(label->text(), QString::fromUtf8(l.text));
        EXPECT_EQ(label->font().pointSize(), l.points);
        EXPECT_TRUE(label->font().bold());
    }
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("QVFHOKbtn"));
    ASSERT_TRUE(ok && dialog.findChild<QPushButton*>(QStringLiteral("BitBtn2")));
    EXPECT_TRUE(ok->isDefault());
}

TEST_F(FindHelpTest, FirstShowsTheStartDirectoryAndTheFileBoxFollowsTheOpenDirectory)
{
    TQVFindHelp dialog(nullptr, mountinfo, path("start"));
    settle(dialog);
    EXPECT_EQ(dialog.directory(), path("start"));
    EXPECT_EQ(drives(dialog)->drive(), "/");
    EXPECT_TRUE(files(dialog).isEmpty());

    open(dialog, path("start/docs"));
    EXPECT_EQ(dialog.directory(), path("start/docs"));
    EXPECT_EQ(files(dialog), QStringList { QStringLiteral("Quorvane.hlp") });

    open(dialog, path("start"));
    EXPECT_TRUE(files(dialog).isEmpty());
    open(dialog, path("start/other")); // holds a directory of that name, not the file
    EXPECT_TRUE(files(dialog).isEmpty());
}

TEST_F(FindHelpTest, ChangingTheDriveMovesTheListAndTheFileBox)
{
    TQVFindHelp dialog(nullptr, mountinfo, path("second/help"));
    settle(dialog);
    DriveSelector* drive = drives(dialog);
    EXPECT_EQ(drive->drive(), path("second"));
    EXPECT_EQ(files(dialog), QStringList { QStringLiteral("Quorvane.hlp") });

    // The user picks "/" in the combo box (the first row).
    drive->setFocus();
    QTest::keyClick(drive, Qt::Key_Up);
    settle(dialog);
    EXPECT_EQ(drive->drive(), "/");
    EXPECT_EQ(dialog.directory(), "/");
    EXPECT_TRUE(files(dialog).isEmpty());

    // Back on the other drive, its directory last open returns.
    QTest::keyClick(drive, Qt::Key_Down);
    settle(dialog);
    EXPECT_EQ(drive->drive(), path("second"));
    EXPECT_EQ(dialog.directory(), path("second/help"));
    EXPECT_EQ(files(dialog), QStringList { QStringLiteral("Quorvane.hlp") });
}

TEST_F(FindHelpTest, AskIsModalCentredAndEndsByItsKeysAndButtons)
{
    TQVFindHelp dialog(nullptr, mountinfo, path("start"));
    const struct
    {
        const char* what;
        std::function<void()> act;
        bool confirmed;
    } cases[] = {
        { "OK clicked",
            [&] { QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("QVFHOKbtn")), Qt::LeftButton); },
            true },
        { "Enter", [&] { QTest::keyClick(dialog.focusWidget(), Qt::Key_Return); }, true },
        { "Cancel clicked",
            [&] { QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BitBtn2")), Qt::LeftButton); },
            false },
        { "Esc", [&] { QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape); }, false },
        { "close box", [&] { dialog.close(); }, false },
    };
    for (const auto& c : cases) {
        const QPoint expected = centredonscreen(screensize(), outerbounds(&dialog).size());
        QPoint at;
        bool modal = false;
        bool listfocused = false;
        duringask(dialog, [&] {
            listfocused = dialog.focusWidget() == dirs(dialog);
            at = outerbounds(&dialog).topLeft();
            modal = QApplication::activeModalWidget() == &dialog;
            c.act();
        });
        EXPECT_EQ(dialog.ask(), c.confirmed) << c.what;
        EXPECT_TRUE(modal) << c.what;
        EXPECT_TRUE(listfocused) << c.what;
        EXPECT_EQ(at, expected) << c.what;
        EXPECT_FALSE(dialog.isVisible()) << c.what;
    }

    // Whole-number halving: an odd remainder truncates.
    QPoint truncated;
    duringask(dialog, [&] {
        dialog.placeon(outerbounds(&dialog).size() + QSize(41, 7));
        truncated = outerbounds(&dialog).topLeft();
        dialog.reject();
    });
    dialog.ask();
    EXPECT_EQ(truncated, QPoint(20, 3));
}

TEST_F(FindHelpTest, EnterPressesOkInTheListsTooAndConfirmsTheHighlightedRow)
{
    TQVFindHelp dialog(nullptr, mountinfo, path("start"));
    settle(dialog);
    const struct
    {
        const char* what;
        bool inlist;
        const char* highlight;
    } cases[] = {
        { "in the directory list, on the open directory", true, "start" },
        { "in the directory list, on a row only highlighted", true, "start/docs" },
        { "in the drive selector", false, "start/docs" },
    };
    for (const auto& c : cases) {
        bool stillopen = true;
        duringask(dialog, [&] {
            settle(dialog);
            DirectoryList* list = dirs(dialog);
            const auto rows = list->rowpaths();
            const auto it = std::find(rows.begin(), rows.end(), path(c.highlight));
            ASSERT_NE(it, rows.end());
            list->setCurrentRow(static_cast<int>(it - rows.begin()));
            QWidget* focus = c.inlist ? static_cast<QWidget*>(list) : drives(dialog);
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_Return);
            stillopen = dialog.isVisible();
        });
        EXPECT_TRUE(dialog.ask()) << c.what;
        EXPECT_FALSE(stillopen) << c.what;
        EXPECT_EQ(dialog.directory(), path(c.highlight)) << c.what;
        open(dialog, path("start"));
    }
}

TEST_F(FindHelpTest, AHangingReadLeavesTheDialogAnswering)
{
    test::FakeFiles lister(test::FakeFiles::RealFileSystem);
    lister.hold(path("start/docs"));
    TQVFindHelp dialog(nullptr, mountinfo, path("start"), lister.factory());
    settle(dialog);
    bool reading = false;
    QStringList shown;
    duringask(dialog, [&] {
        settle(dialog);
        DirectoryList* list = dirs(dialog);
        const auto rows = list->rowpaths();
        const auto it = std::find(rows.begin(), rows.end(), path("start/docs"));
        ASSERT_NE(it, rows.end());
        const QPoint at = list->visualItemRect(list->item(static_cast<int>(it - rows.begin()))).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        lister.waitforheld(1);
        reading = list->reading();
        shown = files(dialog);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BitBtn2")), Qt::LeftButton);
    });
    EXPECT_FALSE(dialog.ask());
    EXPECT_TRUE(reading);
    EXPECT_TRUE(shown.isEmpty()); // not known yet
    EXPECT_EQ(dialog.directory(), path("start/docs"));
    lister.release();
}

TEST_F(FindHelpTest, KeepsItsDirectoryBetweenUsesAndRereadsTheFileBox)
{
    TQVFindHelp dialog(nullptr, mountinfo, path("start"));
    open(dialog, path("start/other"));
    duringask(dialog, [&] { dialog.reject(); });
    EXPECT_FALSE(dialog.ask());

    // Meanwhile the help file arrives there.
    QFile::remove(tree.filePath(QStringLiteral("start/other/Quorvane.hlp")));
    QDir(tree.path()).rmdir(QStringLiteral("start/other/Quorvane.hlp"));
    touch("start/other/Quorvane.hlp");
    QStringList shown;
    duringask(dialog, [&] {
        settle(dialog);
        shown = files(dialog);
        dialog.reject();
    });
    EXPECT_FALSE(dialog.ask());
    EXPECT_EQ(dialog.directory(), path("start/other"));
    EXPECT_EQ(shown, QStringList { QStringLiteral("Quorvane.hlp") });
}

// The launcher with the real dialog: the user finds the directory and confirms it.
TEST_F(FindHelpTest, TheLauncherStoresWhatTheUserPicks)
{
    QTemporaryDir config;
    const QByteArray oldconfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    char saved[4096];
    ASSERT_TRUE(::getcwd(saved, sizeof saved));
    ASSERT_EQ(::chdir(path("start").c_str()), 0);
    {
        RegFileStore store;
        test::RecordingFeedback feedback;
        test::RecordingViewer viewer;
        TQVFindHelp dialog(nullptr, mountinfo, path("start"));
        HelpLauncher launcher(store, feedback, viewer, dialog, nullptr, {});
        int asks = 0;
        std::function<void()> step = [&] {
            ++asks;
            open(dialog, path("start/docs"));
            QTest::keyClick(&dialog, Qt::Key_Return);
        };
        duringask(dialog, step);
        launcher.showhelp(QStringLiteral("Main"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !launcher.busy(); }));
        EXPECT_EQ(asks, 1);
        ASSERT_EQ(viewer.calls.size(), 1u);
        EXPECT_EQ(viewer.calls[0].path, path("start/docs") + "/Quorvane.hlp");
        EXPECT_EQ(RegFileStore().readString(ValuesKey, "HelpDirectory"), path("start/docs"));
        EXPECT_TRUE(feedback.errors.isEmpty());
        EXPECT_TRUE(feedback.messages.isEmpty());
    }
    EXPECT_EQ(::chdir(saved), 0);
    if (oldconfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldconfig);
}
