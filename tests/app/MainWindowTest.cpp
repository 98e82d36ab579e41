// The main window driven as the user drives it: start-up with the settings file, Select and scan, stop,
// a new Select during a scan, double-click, close. Scans run over an in-memory tree whose listings can
// be held at a gate, so a scan stays open for as long as a test needs.
#include "ApplicationBus.h"
#include "ColourRangeTable.h"
#include "DetailModel.h"
#include "DirectoryList.h"
#include "DriveSelector.h"
#include "FakeDesktop.h"
#include "FakeFiles.h"
#include "FigureWords.h"
#include "FileManager.h"
#include "HelpViewerWindow.h"
#include "ImportTree.h"
#include "Labels.h"
#include "MakeWindows.h"
#include "NodeDecorations.h"
#include "Placement.h"
#include "PosixDirLister.h"
#include "PosixVolumeQuery.h"
#include "PrivateBus.h"
#include "RangePalette.h"
#include "RecordChecks.h"
#include "RecordingFeedback.h"
#include "Records.h"
#include "RegFileStore.h"
#include "ScanFakes.h"
#include "ScanTreeModel.h"
#include "ScanTreeView.h"
#include "TQVCRFDiag.h"
#include "TQVCRForm.h"
#include "TQVFindHelp.h"
#include "TQVForm1.h"
#include "TQVForm2.h"
#include "TQVForm3.h"
#include "TQVForm4.h"
#include "TQVHForm1.h"
#include "TQVHForm2.h"
#include "TQVHForm6.h"
#include "TQVWhatifForm.h"
#include "TQVdiag1.h"
#include "TempTree.h"
#include "Walk.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const QString FreeText = QStringLiteral("Freespace on Drive / is       1.5MB");

// A settings file whose help directory holds the shipped help file.
std::string shippedhelp()
{
    return "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"HelpDirectory\"=\""
        + QFileInfo(QStringLiteral(QV_SHIPPED_HELP)).absolutePath().toStdString() + "\"\n";
}

struct Program
{
    QTemporaryDir config;
    ScanValues values;
    ColourRangeTable colours;
    RecordingFeedback feedback;
    FakeVolumes volumes;
    FakeFiles files;
    std::unique_ptr<RegFileStore> store;
    std::unique_ptr<TQVForm1> main;

    // Scans go to the real file system instead of the in-memory tree.
    std::unique_ptr<PosixVolumeQuery> realvolumes;

    // bus: the session bus the program is reached on (none when not connected).
    explicit Program(const std::string& reg = {}, bool real = false, QDBusConnection bus = QDBusConnection(QString()))
    {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        if (!reg.empty()) {
            QDir(config.path()).mkpath(QStringLiteral("Tavenbrook"));
            QFile f(regpath());
            f.open(QIODevice::WriteOnly);
            f.write(("REGEDIT4\n\n" + reg).c_str());
        }
        store = std::make_unique<RegFileStore>();
        volumes.answer = { "/", "ext4", true, 4096, 100, 1572864 };
        files.file("/data/a/x.txt", 5000);
        files.file("/data/a/y.TXT", 100);
        files.file("/data/b.c", 10);
        files.file("/data/README", 1);
        files.file("/other/z.txt", 1);
        if (real)
            realvolumes = std::make_unique<PosixVolumeQuery>();
        std::function<std::unique_ptr<DirLister>()> lister = files.factory();
        if (real)
            lister = [] { return std::make_unique<PosixDirLister>(); };
        main = makewindows(Services { values, colours, *store, feedback,
            real ? static_cast<VolumeQuery&>(*realvolumes) : volumes, lister, importtree, bus });
    }

    QString regpath() const { return config.filePath(QStringLiteral("Tavenbrook/Quorvane.reg")); }
    QByteArray regtext() const
    {
        QFile f(regpath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Shows the main window and waits until its start-up has opened the Select Directory dialog.
    bool start()
    {
        main->show();
        main->activateWindow();
        return QTest::qWaitForWindowActive(main.get()) && QTest::qWaitFor([&] { return select()->isVisible(); });
    }
    const Windows& windows() const { return main->windows(); }
    TQVForm2* select() const { return &windows().select; }
    QLabel* status() const { return main->findChild<QLabel*>(QStringLiteral("QVstatusbar")); }
    QAbstractButton* stop() const { return main->findChild<QAbstractButton*>(QStringLiteral("QVstopbtn")); }
    QPushButton* button(const char* name) const { return select()->findChild<QPushButton*>(QString::fromLatin1(name)); }
    QAction* action(const char* name) const { return main->findChild<QAction*>(QString::fromLatin1(name)); }
    ScanTreeModel& model() const { return main->treemodel(); }

    // Chooses dir in the Select Directory dialog and presses Select.
    void choose(const std::string& dir)
    {
        if (!select()->isVisible())
            action("QVMIselect")->trigger();
        select()->directorylist()->setdirectory(dir);
        QTest::mouseClick(button("QVF2selectbtn"), Qt::LeftButton);
    }
    // Waits for the scans to end and checks the records they left.
    bool scanned() const
    {
        const bool ended = QTest::qWaitFor([&] { return !main->scanrunning() && values.scaninprogress == 0; }, 10000);
        if (values.scanroot)
            checktree(values.scanroot);
        return ended;
    }
    // Activates another window and then the main window again.
    bool reactivate()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        if (!QTest::qWaitForWindowActive(&other))
            return false;
        main->activateWindow();
        const bool active = QTest::qWaitForWindowActive(main.get());
        QCoreApplication::processEvents();
        return active;
    }
    // Scans /data and waits until its walk is held in /data/a, until the files are released.
    bool heldscan()
    {
        files.hold("/data/a");
        choose("/data");
        return QTest::qWaitFor([&] { return files.held() && values.scaninprogress == 1; }, 10000);
    }
    // Opens the tree's context menu over node, as the right button does.
    QMenu* menufor(const QModelIndex& node) const
    {
        ScanTreeView& view = main->treeview();
        view.scrollTo(node);
        const QPoint under = view.visualRect(node).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, under, view.viewport()->mapToGlobal(under));
        QApplication::sendEvent(view.viewport(), &event);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view.contextmenu()->isVisible(); }));
        return view.contextmenu();
    }
    // Chooses the menu item of the tree's context menu over node.
    void command(const QModelIndex& node, QAction* (ScanTreeView::*item)() const) const
    {
        QMenu* menu = menufor(node);
        QAction* action = (main->treeview().*item)();
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
        action->trigger();
        menu->close();
    }
    // The node of the record at path below the scan root (names joined by "/"); the root for "".
    QModelIndex node(const std::string& path) const
    {
        const dirrec* r = values.scanroot;
        std::size_t from = 0;
        while (r && from < path.size()) {
            const std::size_t end = std::min(path.find('/', from), path.size());
            const std::string_view name = std::string_view(path).substr(from, end - from);
            const dirrec* c = r->child;
            while (c && c->name() != name)
                c = c->next;
            r = c;
            from = end + 1;
        }
        return model().indexof(r);
    }

    // Runs every event posted so far, by waiting for a marker posted after them.
    static bool settled()
    {
        bool ran = false;
        QMetaObject::invokeMethod(
            qApp, [&] { ran = true; }, Qt::QueuedConnection);
        return QTest::qWaitFor([&] { return ran; });
    }
};

QRect bounds(const QWidget* w)
{
    return outerbounds(w);
}

TEST(MainWindowStartup, FirstStartWithoutSettingsUsesTheLayoutAndOpensSelectCentred)
{
    Program p;
    ASSERT_TRUE(p.start());
    EXPECT_EQ(bounds(p.main.get()), QRect(22, 32, 703, 397));
    EXPECT_EQ(p.values.whatifkb, 4);
    EXPECT_EQ(p.select()->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(bounds(p.select()).topLeft(), centredover(bounds(p.main.get()), bounds(p.select()).size()));
    EXPECT_TRUE(p.feedback.errors.isEmpty());
    EXPECT_FALSE(QFile::exists(p.regpath())); // reading never creates anything
    EXPECT_EQ(p.main->windowTitle(), QStringLiteral("Quorvane by Tavenbrook"));
    EXPECT_FALSE(p.main->startupdone());

    // Cancel: nothing is scanned, tree and status line stay empty.
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    EXPECT_FALSE(p.select()->isVisible());
    EXPECT_TRUE(p.main->startupdone());
    EXPECT_EQ(p.status()->text(), QString());
    EXPECT_EQ(p.model().rowCount(), 0);
    EXPECT_FALSE(p.main->scanrunning());
    EXPECT_TRUE(p.volumes.asked().empty());

    // Another activation later does not start up again.
    ASSERT_TRUE(p.reactivate());
    EXPECT_FALSE(p.select()->isVisible());
}

TEST(MainWindowStartup, OnlyTheStoredValuesChange)
{
    Program p("[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n"
              "\"Left\"=dword:00000064\n"
              "\"Width\"=dword:000001f4\n");
    ASSERT_TRUE(p.start());
    EXPECT_EQ(bounds(p.main.get()), QRect(100, 32, 500, 397));
    EXPECT_EQ(p.values.whatifkb, 4);
    EXPECT_TRUE(p.feedback.errors.isEmpty());
    EXPECT_EQ(bounds(p.select()).topLeft(), centredover(QRect(100, 32, 500, 397), bounds(p.select()).size()));
}

TEST(MainWindowStartup, AllValuesAndTheColourTableAreRead)
{
    Program p("[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n"
              "\"WhatIf\"=\"16\"\n\"Left\"=dword:00000010\n\"Top\"=dword:00000014\n"
              "\"Width\"=dword:00000258\n\"Height\"=dword:00000190\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\ColRange]\n"
              "\"0\"=\"8\\\\           1000\"\n\"1\"=\"7\\\\           2000\"\n\"2\"=\"6\\\\           3000\"\n"
              "\"3\"=\"5\\\\           4000\"\n\"4\"=\"4\\\\           5000\"\n\"5\"=\"3\\\\           6000\"\n"
              "\"6\"=\"2\\\\           7000\"\n\"7\"=\"1\\\\           8000\"\n");
    ASSERT_TRUE(p.start());
    EXPECT_EQ(bounds(p.main.get()), QRect(16, 20, 600, 400));
    EXPECT_EQ(p.values.whatifkb, 16);
    EXPECT_EQ(p.colours.range(1).colour, 8);
    EXPECT_EQ(p.colours.range(8).bound, 8000);
    EXPECT_TRUE(p.feedback.errors.isEmpty()) << p.feedback.errors.join(", ").toStdString();
}

TEST(MainWindowStartup, AValueOfTheWrongTypeIsReportedOnceAndKeepsItsDefault)
{
    Program p("[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n"
              "\"WhatIf\"=dword:00000008\n\"Left\"=\"100\"\n\"Top\"=dword:00000028\n\"Height\"=\"tall\"\n");
    ASSERT_TRUE(p.start());
    EXPECT_EQ(bounds(p.main.get()), QRect(22, 40, 703, 397));
    EXPECT_EQ(p.values.whatifkb, 4);
    EXPECT_EQ(p.feedback.errors,
        (QStringList {
            "Invalid data type for 'WhatIf'", "Invalid data type for 'Left'", "Invalid data type for 'Height'" }));
    // The start-up went on, and happens once.
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    ASSERT_TRUE(p.reactivate());
    EXPECT_EQ(p.feedback.errors.size(), 3);
}

TEST(MainWindowStartup, AnUnreadableSettingsFileIsReportedOnceAndKeptAside)
{
    Program p("junk\n[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"Left\"=dword:00000064\n");
    const QByteArray broken = p.regtext();
    ASSERT_TRUE(p.start());
    EXPECT_EQ(bounds(p.main.get()), QRect(22, 32, 703, 397));
    ASSERT_EQ(p.feedback.errors.size(), 1) << p.feedback.errors.join(", ").toStdString();
    const QString prefix = "The settings file " + p.regpath()
        + " could not be read (line 3: neither key, value, comment nor blank). The default settings are used, and "
          "the old file is kept as "
        + p.regpath() + ".unreadable-";
    EXPECT_TRUE(p.feedback.errors[0].startsWith(prefix)) << p.feedback.errors[0].toStdString();
    QFile aside(p.feedback.errors[0].mid(prefix.size() - p.regpath().size() - 12));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly)) << aside.fileName().toStdString();
    EXPECT_EQ(aside.readAll(), broken);

    // The close saves afresh, keeping the old file where the report said.
    p.main->close();
    EXPECT_EQ(p.feedback.errors.size(), 1);
    EXPECT_TRUE(p.regtext().startsWith("REGEDIT4\n"));
    EXPECT_TRUE(aside.exists());
}

TEST(MainWindowStartup, AWindowSavedOffEveryScreenComesBackKeepingItsSize)
{
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    Program far("[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n"
                "\"Left\"=dword:00002710\n\"Top\"=dword:fffff000\n\"Width\"=dword:000001f4\n"
                "\"Height\"=dword:0000012c\n");
    ASSERT_TRUE(far.start());
    const QRect b = bounds(far.main.get());
    EXPECT_EQ(b.size(), QSize(500, 300));
    EXPECT_TRUE(primary.contains(b)) << b.x() << "," << b.y();

    // Partly on a screen: moved only as far as keeps its title bar on the screen.
    const int left = primary.right() - 99;
    char value[16];
    std::snprintf(value, sizeof value, "%08x", unsigned(left));
    Program partly(
        "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"Left\"=dword:" + std::string(value) + "\n");
    ASSERT_TRUE(partly.start());
    const QRect p = bounds(partly.main.get());
    EXPECT_EQ(p.topLeft(), QPoint(primary.right() + 1 - p.width(), 32));
}

TEST(Placement, OnlyAWindowOffEveryScreenIsMovedIntoThePrimary)
{
    const QList<QRect> screens = { QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024) };
    const QRect primary(0, 0, 1920, 1040); // less its panel
    const std::vector<std::pair<QRect, QRect>> cases = {
        { QRect(100, 100, 700, 400), QRect(100, 100, 700, 400) },
        { QRect(3000, 900, 700, 400), QRect(3000, 900, 700, 400) }, // partly on the second screen
        { QRect(-699, -399, 700, 400), QRect(-699, -399, 700, 400) }, // one pixel on
        { QRect(-700, 50, 700, 400), QRect(0, 50, 700, 400) }, { QRect(3200, 50, 700, 400), QRect(1220, 50, 700, 400) },
        { QRect(500, 1080, 700, 400), QRect(500, 640, 700, 400) },
        { QRect(-5000, -5000, 700, 400), QRect(0, 0, 700, 400) },
        { QRect(5000, 5000, 2500, 1500), QRect(0, 0, 2500, 1500) }, // larger than the screen: its corner on it
    };
    for (const auto& [window, want] : cases)
        EXPECT_EQ(ontoscreens(window, screens, primary), want) << window.x() << "," << window.y();
}

TEST(MainWindowStartup, WhatIfMustBeAPositiveDecimalInteger)
{
    const std::vector<std::pair<std::string, int>> cases
        = { { "8", 8 }, { "32", 32 }, { "1", 1 }, { "0", 4 }, { "-4", 4 }, { "abc", 4 }, { "", 4 }, { "+8", 4 },
              { "8 ", 4 }, { " 8", 4 }, { "0x10", 4 }, { "99999999999", 4 } };
    for (const auto& [text, whatif] : cases) {
        Program p("[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"WhatIf\"=\"" + text + "\"\n");
        ASSERT_TRUE(p.start()) << text;
        EXPECT_EQ(p.values.whatifkb, whatif) << text;
        EXPECT_EQ(p.feedback.errors.size(), whatif == 4 ? 1 : 0) << text;
    }
}

TEST(MainWindowMenu, CaptionsAndNamesWithoutShortcuts)
{
    Program p;
    const std::vector<std::pair<const char*, const char*>> items = {
        { "QVMIselect", "&Select" },
        { "QVMIexit", "E&xit" },
        { "ColoursRanges1", "Change Colour Ranges" },
        { "ShowColourRanges1", "Show    Colour Ranges" },
        { "WhatIf1", "What If" },
        { "QVMIhelp", "&Help" },
        { "QVMIabout", "&About" },
        { "History1", "History" },
        { "Warranty1", "Warranty" },
    };
    for (const auto& [name, text] : items) {
        QAction* a = p.action(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text().toStdString(), text);
        EXPECT_TRUE(a->shortcut().isEmpty()) << name;
    }
    const QMenuBar* bar = p.main->menuBar();
    EXPECT_EQ(bar->objectName(), QStringLiteral("QVMainMenu"));
    QStringList menus;
    for (const QAction* a : bar->actions())
        menus << a->menu()->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(menus, (QStringList { "QVMMfile=&File", "Otions1=&Options", "QVMMhelp=&Help" }));
    EXPECT_TRUE(p.action("QVMIline1")->isSeparator());
}

TEST(MainWindowMenu, EveryWindowExistsFromTheStartAndOnlyTheMainWindowShows)
{
    Program p;
    const Windows& w = p.windows();
    const std::vector<std::pair<const QWidget*, const char*>> windows = {
        { &w.select, "Quorvane Select Directory" },
        { &w.about, "About" },
        { &w.noscan, "Quorvane Dialog" },
        { &w.detail, "Quorvane Detail List" },
        { &w.colourranges, "Quorvane Colour Ranges" },
        { &w.colourranges.messagewindow(), "" },
        { &w.legend, "Quorvane Colour Ranges" },
        { &w.history, "Quorvane History" },
        { &w.findhelp, "Quorvane Find Help" },
        { &w.warranty, "Quorvane Warranty" },
        { &w.whatif, "Quorvane What If" },
    };
    for (const auto& [window, caption] : windows) {
        EXPECT_FALSE(window->isVisible()) << caption;
        EXPECT_EQ(window->windowTitle().toStdString(), caption);
        const QWidget* owner = window->parentWidget();
        while (owner && owner != p.main.get())
            owner = owner->parentWidget();
        EXPECT_TRUE(owner) << caption; // goes with the main window
    }
}

// Each menu item opens its window, placed from the main window where it is now, modal or not.
TEST(MainWindowMenu, EachItemOpensItsWindowInItsPlace)
{
    Program p;
    ASSERT_TRUE(p.start());
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    placeat(p.main.get(), QPoint(31, 57));
    QRect main;
    const Windows& w = p.windows();
    const auto centredoverscreen
        = [](const QWidget* window) { return centredonscreen(screensize(), bounds(window).size()); };
    const struct
    {
        const char* action;
        QWidget* window;
        std::function<QPoint()> at;
        bool modal;
    } items[] = {
        { "QVMIselect", &w.select, [&] { return centredover(main, bounds(&w.select).size()); }, true },
        { "ColoursRanges1", &w.colourranges, [&] { return main.topLeft() + QPoint(120, 70); }, true },
        { "ShowColourRanges1", &w.legend, [&] { return main.topLeft() + QPoint(120, 90); }, false },
        { "WhatIf1", &w.whatif, [&] { return main.topLeft() + QPoint(90, 70); }, true },
        { "QVMIabout", &w.about, [&] { return centredoverscreen(&w.about); }, true },
        { "History1", &w.history, [&] { return main.topLeft() + QPoint(150, 90); }, false },
        { "Warranty1", &w.warranty, [&] { return main.topLeft() + QPoint(120, 120); }, true },
    };
    for (const auto& item : items) {
        main = bounds(p.main.get());
        p.action(item.action)->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(item.window)) << item.action;
        EXPECT_EQ(bounds(item.window).topLeft(), item.at()) << item.action;
        EXPECT_EQ(item.window->windowModality(), item.modal ? Qt::ApplicationModal : Qt::NonModal) << item.action;
        EXPECT_EQ(QApplication::activeModalWidget() == item.window, item.modal) << item.action;
        item.window->hide();
    }
}

TEST(MainWindowMenu, HelpOpensTheHelpFileAtItsKeyword)
{
    Program p(shippedhelp());
    HelpViewerWindow& viewer = p.windows().viewer;
    // The help file is looked for off the GUI thread: the viewer opens once it is found.
    p.action("QVMIhelp")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewer.currenttopic() == QStringLiteral("main"); }));
    ASSERT_TRUE(p.start());
    QTest::mouseClick(p.button("QVf2helpbtn"), Qt::LeftButton);
    EXPECT_TRUE(p.select()->isVisible()); // Help leaves the dialog open
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewer.currenttopic() == QStringLiteral("file-menu"); }));
    EXPECT_TRUE(p.feedback.errors.isEmpty());
    EXPECT_TRUE(p.feedback.messages.isEmpty());
}

TEST(MainWindowScan, SelectScansAndShowsTheLabelledTree)
{
    Program p;
    QAbstractItemModelTester tester(&p.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(p.start());
    p.choose("/data/");
    EXPECT_FALSE(p.select()->isVisible());
    EXPECT_EQ(p.values.scanpath, "/data");
    ASSERT_TRUE(p.scanned());
    QTRY_COMPARE(p.status()->text(), FreeText);

    ScanTreeModel& m = p.model();
    const ScanTreeView& view = p.main->treeview();
    ASSERT_EQ(m.rowCount(), 1);
    const QModelIndex root = m.index(0, 0);
    const dirrec* r = m.record(root);
    ASSERT_EQ(r, p.values.scanroot);
    EXPECT_EQ(m.data(root).toString(), buildlabel(*r, 0, 32));
    EXPECT_TRUE(m.data(root).toString().startsWith(QStringLiteral("/data ...")));
    EXPECT_TRUE(view.isExpanded(root));
    ASSERT_EQ(m.rowCount(root), 3);
    QStringList names;
    for (int row = 0; row < m.rowCount(root); ++row) {
        const QModelIndex child = m.index(row, 0, root);
        EXPECT_FALSE(view.isExpanded(child));
        const dirrec* c = m.record(child);
        names << QString::fromUtf8(c->name().data(), c->namelen);
        EXPECT_EQ(m.data(child).toString(), buildlabel(*c, 2, 32));
        EXPECT_EQ(m.stateimage(*c), ColourOfSize(p.colours, c->space));
    }
    EXPECT_EQ(names, (QStringList { "a", "*.", "*.C" }));
    // Below a: its one group, two levels down.
    const QModelIndex a = m.index(0, 0, root);
    ASSERT_EQ(m.rowCount(a), 1);
    EXPECT_EQ(m.data(m.index(0, 0, a)).toString(), buildlabel(*m.record(m.index(0, 0, a)), 4, 32));
    EXPECT_EQ(m.record(m.index(0, 0, a))->count, 2u);

    // The status line is a status bar to screen readers, reading its text.
    QAccessibleInterface* line = QAccessible::queryAccessibleInterface(p.status());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->role(), QAccessible::StatusBar);
    EXPECT_EQ(line->text(QAccessible::Name), FreeText);
}

TEST(MainWindowScan, TooltipsNameTheScansClusterSizes)
{
    Program p;
    p.volumes.answer.clustersize = 2048;
    p.values.whatifkb = 16;
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    const QModelIndex root = p.model().index(0, 0);
    const QString tip = p.model().data(root, Qt::ToolTipRole).toString();
    EXPECT_EQ(tip, figurewords(*p.values.scanroot, 2048, 16));
    EXPECT_EQ(p.model().data(root, Qt::AccessibleDescriptionRole).toString(), tip);
}

TEST(MainWindowScan, ScanOfARealDirectoryTree)
{
    QTemporaryDir tmp;
    const QString base = tmp.path();
    auto write = [&](const QString& name, int size) {
        QFile f(base + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
    };
    QDir(base).mkpath(QStringLiteral("docs/old"));
    QDir(base).mkpath(QStringLiteral("Empty"));
    write(QStringLiteral("docs/a.txt"), 5000);
    write(QStringLiteral("docs/B.TXT"), 100);
    write(QStringLiteral("docs/old/notes.md"), 20000);
    write(QStringLiteral("README"), 1);
    write(QStringLiteral("big.bin"), 1048066);
    QFile::link(base + QStringLiteral("/docs"), base + QStringLiteral("/link"));

    Program p({}, true);
    QAbstractItemModelTester tester(&p.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(p.start());
    p.choose(base.toStdString());
    ASSERT_TRUE(p.scanned());
    const VolumeInfo volume = PosixVolumeQuery().query(base.toStdString());
    QTRY_VERIFY(p.status()->text().startsWith(
        QStringLiteral("Freespace on Drive %1 is ").arg(QString::fromStdString(volume.root))));
    EXPECT_TRUE(p.status()->text().endsWith(QStringLiteral("MB")));

    ScanTreeModel& m = p.model();
    const ScanTreeView& view = p.main->treeview();
    const QModelIndex root = m.index(0, 0);
    ASSERT_TRUE(root.isValid());
    EXPECT_TRUE(view.isExpanded(root));
    const Decorations icons = nodedecorations(RangePalette::stateimages());
    QStringList labels;
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& at, int level) {
        const dirrec* r = m.record(at);
        labels << QString(2 * level, QLatin1Char(' ')) + m.data(at).toString();
        EXPECT_EQ(m.data(at).toString(), buildlabel(*r, 2 * level, m.labelwidth()));
        EXPECT_EQ(m.stateimage(*r), ColourOfSize(p.colours, r->space));
        const QIcon shown = m.data(at, Qt::DecorationRole).value<QIcon>();
        const QIcon& expected = icons[m.stateimage(*r)][r->kind == KindGroup ? 1 : 0];
        for (const QIcon::Mode mode : { QIcon::Normal, QIcon::Selected })
            EXPECT_EQ(
                shown.pixmap(QSize(32, 16), 1.0, mode).toImage(), expected.pixmap(QSize(32, 16), 1.0, mode).toImage());
        if (level > 0)
            EXPECT_FALSE(view.isExpanded(at));
        for (int row = 0; row < m.rowCount(at); ++row)
            walk(m.index(row, 0, at), level + 1);
    };
    walk(root, 0);
    const double c = p.values.clustersize;
    auto kb = [](double bytes) { return QString::asprintf("%9.0fKB", (bytes + 511) / 1024); };
    const QString W = base;
    // Directories first, then groups, each in name order; the link is a file of the group "*.".
    ASSERT_EQ(labels.size(), 8) << labels.join('\n').toStdString();
    EXPECT_TRUE(labels[0].startsWith(W + QStringLiteral(" .")));
    EXPECT_TRUE(labels[0].contains(QStringLiteral("..[    6,")));
    EXPECT_TRUE(labels[1].startsWith(QStringLiteral("  docs .")));
    EXPECT_TRUE(labels[2].startsWith(QStringLiteral("    old .")));
    EXPECT_TRUE(labels[3].startsWith(QStringLiteral("      *.MD .")));
    EXPECT_TRUE(labels[3].endsWith(QStringLiteral("..(    1,") + kb(20000) + QLatin1Char(',')
        + kb(clusterround(20000, c)) + QLatin1Char(',') + kb(20480) + QLatin1Char(')')))
        << labels[3].toStdString();
    EXPECT_TRUE(labels[4].startsWith(QStringLiteral("    *.TXT .")));
    EXPECT_TRUE(labels[4].contains(QStringLiteral("..(    2,")));
    EXPECT_TRUE(labels[5].startsWith(QStringLiteral("  Empty .")));
    EXPECT_TRUE(labels[6].startsWith(QStringLiteral("  *. .")));
    EXPECT_TRUE(labels[6].contains(QStringLiteral("..(    2,")));
    EXPECT_TRUE(labels[7].startsWith(QStringLiteral("  *.BIN .")));
    EXPECT_TRUE(labels[7].contains(QStringLiteral("..[    1,      1.0MB,")));
}

TEST(MainWindowScan, StopDuringAScanLeavesTheAbortTextAndAnEmptyTree)
{
    Program p;
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    ASSERT_EQ(p.model().rowCount(), 1);

    ASSERT_TRUE(p.heldscan());
    EXPECT_EQ(p.model().rowCount(), 0); // emptied when the scan began
    QTest::mouseClick(p.stop(), Qt::LeftButton);
    EXPECT_EQ(p.status()->text(), QStringLiteral("Directory Scan Aborted"));
    EXPECT_EQ(p.main->focusWidget(), p.status());
    EXPECT_EQ(p.values.scanabort, 1);

    p.files.release();
    ASSERT_TRUE(p.scanned());
    ASSERT_TRUE(p.settled()); // nothing the stopped scan posted may show
    EXPECT_EQ(p.status()->text(), QStringLiteral("Directory Scan Aborted"));
    EXPECT_EQ(p.model().rowCount(), 0);
    EXPECT_EQ(p.values.scanabort, 0);
    EXPECT_FALSE(p.windows().noscan.isVisible());

    // The next scan works.
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    QTRY_COMPARE(p.status()->text(), FreeText);
    EXPECT_EQ(p.model().rowCount(), 1);
}

TEST(MainWindowScan, StopWithoutAScanShowsTheNoScanDialogCentredOnTheScreen)
{
    Program p;
    ASSERT_TRUE(p.start());
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    QTest::mouseClick(p.stop(), Qt::LeftButton);
    TQVdiag1* dialog = &p.windows().noscan;
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Quorvane Dialog"));
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->size(), QSize(311, 100));
    EXPECT_EQ(bounds(dialog).topLeft(), centredonscreen(screensize(), bounds(dialog).size()));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("QVD1text"))->text(),
        QStringLiteral("No Directory Scan In Progress"));
    EXPECT_EQ(p.status()->text(), QString());
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("QVD1button")), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(p.values.scanabort, 0);
}

TEST(MainWindowScan, SelectDuringAScanStopsItAndScansTheNewDirectoryAfterIt)
{
    Program p;
    ASSERT_TRUE(p.start());
    ASSERT_TRUE(p.heldscan());

    p.choose("/other");
    EXPECT_EQ(p.status()->text(), QStringLiteral("/other"));
    EXPECT_EQ(p.values.scanabort, 1);
    EXPECT_TRUE(p.main->scanrunning());
    EXPECT_EQ(p.values.scanpath, "/data"); // not touched while the first scan runs
    EXPECT_EQ(p.volumes.asked(), (std::vector<std::string> { "/data" }));

    p.files.release();
    ASSERT_TRUE(p.scanned());
    QTRY_COMPARE(p.status()->text(), FreeText);
    EXPECT_EQ(p.volumes.asked(), (std::vector<std::string> { "/data", "/other" }));
    EXPECT_EQ(p.files.opened(), (std::vector<std::string> { "/data", "/data/a", "/other" }));
    ASSERT_EQ(p.model().rowCount(), 1);
    EXPECT_EQ(p.model().record(p.model().index(0, 0))->name(), "/other");
}

TEST(MainWindowScan, StopAlsoCancelsAScanWaitingForTheRunningOne)
{
    Program p;
    ASSERT_TRUE(p.start());
    ASSERT_TRUE(p.heldscan());
    p.choose("/other");
    QTest::mouseClick(p.stop(), Qt::LeftButton);
    p.files.release();
    ASSERT_TRUE(p.scanned());
    EXPECT_EQ(p.status()->text(), QStringLiteral("Directory Scan Aborted"));
    EXPECT_EQ(p.volumes.asked(), (std::vector<std::string> { "/data" }));
}

struct Clicks
{
    Program& p;
    QModelIndex index(int row, const QModelIndex& parent = {}) const { return p.model().index(row, 0, parent); }
    QPoint centre(const QModelIndex& i) const { return p.main->treeview().visualRect(i).center(); }
    void doubleclick(const QPoint& at) const
    {
        QWidget* viewport = p.main->treeview().viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    }
};

TEST(MainWindowTree, DoubleClickOpensTheDetailListOnlyForAFileTypeGroup)
{
    Program p;
    TQVForm4& detail = p.windows().detail;
    detail.resize(200, 100); // small enough to open where the rule puts it
    const DetailModel& rows = *detail.model();
    ASSERT_TRUE(p.start());

    // An empty tree: nothing.
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    const Clicks c { p };
    c.doubleclick(QPoint(20, 20));
    EXPECT_FALSE(detail.isVisible());

    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    const QModelIndex root = c.index(0);
    ASSERT_TRUE(p.main->treeview().isExpanded(root));

    // A directory node.
    c.doubleclick(c.centre(c.index(0, root)));
    EXPECT_FALSE(detail.isVisible());
    EXPECT_EQ(rows.rowCount(), 0);

    // The group *.C: filled with its directory's files of the group, placed from the main window and the
    // press.
    const QModelIndex group = c.index(2, root);
    ASSERT_EQ(p.model().record(group)->name(), "*.C");
    const QPoint at = c.centre(group);
    c.doubleclick(at);
    EXPECT_EQ(p.main->treeview().lastpress(), at);
    ASSERT_TRUE(detail.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !detail.filling(); }));
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.index(0, DetailModel::NameColumn).data().toString(), QStringLiteral("b.c"));
    EXPECT_FALSE(detail.isModal());
    const QRect main = bounds(p.main.get());
    EXPECT_EQ(bounds(&detail).topLeft(), QPoint(main.left() + main.width() / 2, main.top() + at.y() + 60));

    // Enter does the same from the keyboard, placed by the node's row instead of the last press.
    detail.hide();
    ScanTreeView& view = p.main->treeview();
    view.setFocus();
    view.setCurrentIndex(c.index(0, root));
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_FALSE(detail.isVisible()); // a directory: nothing
    const QModelIndex other = c.index(1, root);
    view.setCurrentIndex(other);
    view.selectionModel()->clearSelection();
    ASSERT_EQ(p.model().record(other)->name(), "*.");
    QTest::keyClick(&view, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList { other });
    EXPECT_TRUE(detail.isVisible());
    const int row = c.centre(other).y();
    EXPECT_NE(row, at.y());
    EXPECT_EQ(bounds(&detail).topLeft(), QPoint(main.left() + main.width() / 2, main.top() + row + 60));
}

TEST(MainWindowTree, ApplyRecoloursTheShownTreeAndOKAloneDoesNot)
{
    Program p;
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    const ScanTreeModel& m = p.model();
    const dirrec* group = m.record(m.index(0, 0, m.index(0, 0, m.index(0, 0))));
    ASSERT_NE(group, nullptr);
    const std::int8_t before = ColourOfSize(ColourRangeTable(), group->space);
    ASSERT_EQ(m.stateimage(*group), before);

    // A changed table (as OK leaves it) shows only after Apply, on every node, the root's included.
    ColourRangeTable::Ranges ranges = p.colours.ranges();
    for (ColourRange& r : ranges)
        r.colour = static_cast<std::int8_t>(9 - r.colour);
    p.colours.setranges(ranges);
    EXPECT_EQ(m.stateimage(*group), before);
    p.action("ColoursRanges1")->trigger();
    QTest::mouseClick(p.windows().colourranges.findChild<QPushButton*>("QVCRFapplyBtn"), Qt::LeftButton);
    EXPECT_EQ(m.stateimage(*group), 9 - before);
    EXPECT_EQ(m.stateimage(*p.values.scanroot), 9 - ColourOfSize(ColourRangeTable(), p.values.scanroot->space));

    // After a stopped scan the tree stays empty; Apply still commits.
    ASSERT_TRUE(p.heldscan());
    QTest::mouseClick(p.stop(), Qt::LeftButton);
    p.files.release();
    ASSERT_TRUE(p.scanned());
    p.action("ColoursRanges1")->trigger();
    QTest::mouseClick(p.windows().colourranges.findChild<QPushButton*>("QVCRFapplyBtn"), Qt::LeftButton);
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_TRUE(p.feedback.errors.isEmpty());
}

// Drops a local file or directory onto the main window, as a file manager does.
bool drop(QWidget* window, const QString& path)
{
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(path) });
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &dropped);
    return dropped.isAccepted();
}

TEST(MainWindowScan, ADroppedExportShowsWhatItHoldsAndABrokenOneKeepsTheTree)
{
    Program p;
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("srv.json"));
    {
        QFile f(good);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.18\",\"timestamp\":1796133780},\n"
                "[{\"name\":\"/srv\",\"asize\":4096},{\"name\":\"b.c\",\"asize\":5000,\"dsize\":8192,\"mtime\":0},"
                "{\"name\":\"a.c\",\"asize\":1},[{\"name\":\"www\"},{\"name\":\"i.html\",\"asize\":3}]]]\n");
    }
    ASSERT_TRUE(drop(p.main.get(), good));
    ASSERT_TRUE(p.scanned());
    QTRY_COMPARE(p.status()->text(), QStringLiteral("Scan of /srv taken 2026-12-01 14:03 by ncdu 1.18"));
    ScanTreeModel& m = p.model();
    ASSERT_EQ(m.rowCount(), 1);
    const QModelIndex root = m.index(0, 0);
    EXPECT_TRUE(m.data(root).toString().startsWith(QStringLiteral("/srv ...")));
    EXPECT_EQ(p.values.clustersize, 8192u); // derived from the file's disc usage
    const dirrec* group = child(p.values.scanroot, "*.C");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->space, 8192 + 8192);

    // The detail list reads the group from the export, with a blank Modified where it gives no time.
    TQVForm4& detail = p.windows().detail;
    QSignalSpy filled(&detail, &TQVForm4::filled);
    detail.fill(*group);
    ASSERT_TRUE(filled.wait());
    const DetailModel& rows = *detail.model();
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.index(0, DetailModel::NameColumn).data().toString(), QStringLiteral("a.c"));
    EXPECT_EQ(rows.index(1, DetailModel::NameColumn).data().toString(), QStringLiteral("b.c"));
    EXPECT_EQ(rows.index(0, DetailModel::ModifiedColumn).data().toString(), QString());
    EXPECT_EQ(rows.index(1, DetailModel::ModifiedColumn).data().toString(), QStringLiteral("01/01/1970 00:00"));

    // A broken file: its reason on the status line, the tree as it was.
    const QString cut = dir.filePath(QStringLiteral("cut.json"));
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[1,2,{},[{\"name\":\"/x\"},");
    }
    p.main->openexport(cut);
    ASSERT_TRUE(p.scanned());
    QTRY_COMPARE(p.status()->text(), cut + QStringLiteral(": at byte 23: truncated"));
    ASSERT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.record(m.index(0, 0)), p.values.scanroot);
    EXPECT_EQ(std::string(p.values.scanroot->name()), "/srv");

    // A dropped directory is scanned as Select would, and its detail lists read the directory again.
    const std::string real = QFile::encodeName(dir.path()).toStdString();
    p.files.file(real + "/x.c", 10);
    ASSERT_TRUE(drop(p.main.get(), dir.path()));
    ASSERT_TRUE(p.scanned());
    QTRY_COMPARE(p.status()->text(), FreeText);
    EXPECT_EQ(p.values.scanpath, real);
    EXPECT_EQ(p.values.shownexport.get(), "");
    detail.fill(*child(p.values.scanroot, "*.C"));
    ASSERT_TRUE(filled.wait());
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.index(0, DetailModel::NameColumn).data().toString(), QStringLiteral("x.c"));
}

TEST(MainWindowClose, SavesTheGeometryAsIntegersAndNeverTheWhatIfSize)
{
    Program p("[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"WhatIf\"=\"8\"\n");
    ASSERT_TRUE(p.start());
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    placeat(p.main.get(), QPoint(50, 60));
    p.values.whatifkb = 16;
    QSignalSpy closed(p.main.get(), &TQVForm1::closed);
    p.action("QVMIexit")->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(p.main->isVisible());

    RegFileStore store(p.regpath().toStdString());
    const QRect b = bounds(p.main.get());
    EXPECT_EQ(store.readInteger(ValuesKey, "Left"), 50);
    EXPECT_EQ(store.readInteger(ValuesKey, "Top"), 60);
    EXPECT_EQ(store.readInteger(ValuesKey, "Width"), b.width());
    EXPECT_EQ(store.readInteger(ValuesKey, "Height"), b.height());
    EXPECT_EQ(store.readString(ValuesKey, "WhatIf"), "8");
    EXPECT_TRUE(p.feedback.errors.isEmpty());
}

TEST(MainWindowClose, AFailedSaveIsReportedAndTheWindowStillCloses)
{
    Program p;
    ASSERT_TRUE(p.start());
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    // A file where the settings directory should be: nothing can be written.
    QFile blocker(p.config.filePath(QStringLiteral("Tavenbrook")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSignalSpy closed(p.main.get(), &TQVForm1::closed);
    p.main->close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(p.feedback.errors, QStringList { "Failed to set data for 'Left'" });
}

TEST(MainWindowClose, ClosingDuringAScanStopsIt)
{
    Program p;
    ASSERT_TRUE(p.start());
    // A huge directory that the walk leaves as soon as it is stopped.
    p.files.endless("/data/a");
    p.choose("/data");
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.files.opened().size() == 2; }, 10000)); // in a
    p.main->close();
    EXPECT_FALSE(p.main->scanstuck()); // it ended while the window waited for it
    EXPECT_FALSE(p.main->scanrunning());
    EXPECT_EQ(p.values.scaninprogress, 0);
    EXPECT_EQ(p.model().rowCount(), 0);
    RegFileStore store(p.regpath().toStdString());
    EXPECT_TRUE(store.valueExists(ValuesKey, "Left"));
}

TEST(MainWindowClose, ClosingWhileTheScanIsStuckDoesNotWaitForIt)
{
    Program p;
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    p.files.readahead(false); // the walk itself is stuck, not a worker listing ahead of it
    ASSERT_TRUE(p.heldscan());
    p.main->close();
    EXPECT_EQ(p.files.held(), 1); // the close came back while the walk is still held
    EXPECT_TRUE(p.main->scanstuck());
    EXPECT_TRUE(RegFileStore(p.regpath().toStdString()).valueExists(ValuesKey, "Height"));

    // When it comes back from the kernel it ends without touching the window again.
    const QString status = p.status()->text();
    p.files.release();
    ASSERT_TRUE(p.scanned());
    ASSERT_TRUE(p.settled());
    EXPECT_EQ(p.status()->text(), status);
    EXPECT_EQ(p.model().rowCount(), 0);
}

TEST(SelectDialog, LayoutAndNames)
{
    Program p;
    TQVForm2* d = p.select();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Quorvane Select Directory"));
    EXPECT_EQ(d->size(), QSize(332, 175));
    const std::vector<std::tuple<const char*, const char*, int>> buttons
        = { { "QVF2selectbtn", "Select", 16 }, { "QVF2cancelbtn", "Cancel", 64 }, { "QVf2helpbtn", "Help", 112 } };
    for (const auto& [name, text, top] : buttons) {
        const QPushButton* b = p.button(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text().toStdString(), text);
        EXPECT_EQ(b->geometry(), QRect(8, top, 59, 33));
        EXPECT_FALSE(b->isDefault());
        EXPECT_FALSE(b->autoDefault());
    }
    EXPECT_NE(d->findChild<QWidget*>(QStringLiteral("QVF2driveselect")), nullptr);
    EXPECT_NE(d->findChild<QWidget*>(QStringLiteral("QVF2dirselect")), nullptr);
    // At start: the working directory.
    EXPECT_EQ(d->directorylist()->directory(), QDir::currentPath().toStdString());
}

TEST(SelectDialog, EnterPressesOnlyTheFocusedButtonAndEscapeNone)
{
    QTemporaryDir tmp;
    const std::string root = tmp.path().toStdString();
    QDir(tmp.path()).mkpath(QStringLiteral("sub/deeper"));
    Program p(shippedhelp());
    std::vector<std::string> selected;
    p.select()->select = [&](const std::string& path) { selected.push_back(path); };
    ASSERT_TRUE(p.start());
    TQVForm2* d = p.select();
    DirectoryList* list = d->directorylist();
    auto listed = [list] { return QTest::qWaitFor([list] { return !list->reading(); }); };
    list->setdirectory(root);
    ASSERT_TRUE(listed());

    // Escape: nothing.
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible());
    // Enter in the list opens the highlighted row, and presses no button.
    list->setFocus();
    list->setCurrentRow(list->count() - 1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(list->directory(), root + "/sub");
    EXPECT_TRUE(selected.empty());
    // Enter on Help: help only.
    p.button("QVf2helpbtn")->setFocus();
    QTest::keyClick(p.button("QVf2helpbtn"), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.windows().viewer.currenttopic() == QStringLiteral("file-menu"); }));
    EXPECT_TRUE(d->isVisible());
    // Enter on Cancel hides without selecting.
    p.button("QVF2cancelbtn")->setFocus();
    QTest::keyClick(p.button("QVF2cancelbtn"), Qt::Key_Enter);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(selected.empty());

    // Shown again: same directory; a row only highlighted is the one selected.
    p.action("QVMIselect")->trigger();
    ASSERT_TRUE(d->isVisible());
    EXPECT_EQ(list->directory(), root + "/sub");
    ASSERT_TRUE(listed());
    list->setCurrentRow(list->count() - 1);
    p.button("QVF2selectbtn")->setFocus();
    QTest::keyClick(p.button("QVF2selectbtn"), Qt::Key_Return);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(selected, std::vector<std::string> { root + "/sub/deeper" });
}

TEST(SelectDialog, TheRootIsSelectedWithItsSlashAndTheStatusLineShowsThePath)
{
    Program p;
    ASSERT_TRUE(p.start());
    p.select()->directorylist()->setdrive("/");
    p.select()->directorylist()->setdirectory("/");
    p.files.dir("/");
    QTest::mouseClick(p.button("QVF2selectbtn"), Qt::LeftButton);
    EXPECT_EQ(p.values.scanpath, "/");
    EXPECT_EQ(p.status()->text(), QStringLiteral("/"));
    ASSERT_TRUE(p.scanned());
    EXPECT_EQ(p.values.scanroot->name(), "/");
}

} // namespace

namespace {

TEST(SelectDialog, EachShowingStartsOnSelectAndAGoneDriveMovesSelectorAndListTogether)
{
    QTemporaryDir tmp;
    const std::string root = tmp.path().toStdString();
    QDir(tmp.path()).mkpath(QStringLiteral("disc/sub"));
    const std::string disc = root + "/disc";
    const QString table = tmp.filePath(QStringLiteral("mountinfo"));
    auto mount = [&](bool withdisc) {
        QFile f(table);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("24 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
        if (withdisc)
            f.write(("30 24 0:33 / " + disc + " rw - vfat /dev/sdb1 rw\n").c_str());
    };
    mount(true);
    TQVForm2 d(nullptr, table.toStdString());
    DirectoryList* list = d.directorylist();
    d.driveselector()->setdrive(disc);
    list->setdrive(disc);
    list->setdirectory(disc + "/sub");
    auto* select = d.findChild<QPushButton*>(QStringLiteral("QVF2selectbtn"));

    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.focusWidget(), select);
    EXPECT_TRUE(d.testAttribute(Qt::WA_KeyboardFocusChange)); // its focus frame is drawn
    EXPECT_EQ(d.driveselector()->drive(), disc);
    EXPECT_EQ(list->directory(), disc + "/sub");

    // Hidden with the focus elsewhere; the disc goes before the next showing.
    d.driveselector()->setFocus();
    d.hide();
    mount(false);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.focusWidget(), select);
    EXPECT_EQ(d.driveselector()->drive(), "/");
    EXPECT_EQ(list->drive(), "/");
    EXPECT_EQ(list->rowpaths().front(), "/");
}

} // namespace

namespace {

// A call to the program's org.freedesktop.Application from another connection, waited for.
QDBusMessage callapplication(QDBusConnection& from, const QString& method, const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        ApplicationBus::name(), ApplicationBus::path(), QStringLiteral("org.freedesktop.Application"), method);
    call.setArguments(args);
    QDBusPendingCallWatcher watcher(from.asyncCall(call));
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.isFinished(); }, 30000));
    return watcher.reply();
}

QVariantList openargs(const QString& uri)
{
    return { QStringList { uri }, QVariantMap() };
}

TEST(DesktopBus, FileUrisGiveTheirPathsByteForByte)
{
    const std::vector<std::pair<const char*, std::optional<std::string>>> cases = {
        { "file:///tmp/a%20b", "/tmp/a b" },
        { "file:///tmp/x%FFy", "/tmp/x\xffy" },
        { "file://localhost/srv", "/srv" },
        { "file:///", "/" },
        { "file://elsewhere/srv", std::nullopt },
        { "sftp://host/srv", std::nullopt },
        { "/srv", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& [uri, path] : cases)
        EXPECT_EQ(localpath(QString::fromLatin1(uri)), path) << uri;
}

TEST(DesktopBus, OpenOfADirectoryClosesTheStartUpDialogAndScansIt)
{
    PrivateBus bus;
    TempTree t;
    t.dir("sub");
    t.file("sub/a.txt", 5000);
    Program p({}, true, bus.connect());
    ASSERT_TRUE(p.main->findChild<ApplicationBus*>()->claimed());
    ASSERT_TRUE(p.start());
    QDBusConnection peer = bus.connect();

    const QDBusMessage reply = callapplication(peer, QStringLiteral("Open"),
        openargs(QString::fromUtf8(QUrl::fromLocalFile(QString::fromStdString(t.at("sub"))).toEncoded())));
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.select()->isVisible(); }));
    EXPECT_TRUE(p.main->startupdone());
    EXPECT_EQ(p.values.scanpath, t.at("sub"));
    // The dialog's drive and list moved there, as if the user had chosen it.
    EXPECT_EQ(p.select()->directorylist()->directory(), t.at("sub"));
    EXPECT_EQ(p.select()->driveselector()->drive(), p.select()->driveselector()->driveof(t.at("sub")));
    ASSERT_TRUE(p.scanned());
    ASSERT_EQ(p.model().rowCount(), 1);
    EXPECT_EQ(p.values.scanroot->name(), t.at("sub"));
    EXPECT_EQ(p.values.scanroot->count, 1u);
    EXPECT_TRUE(p.feedback.messages.isEmpty());
}

TEST(DesktopBus, OpenBeforeTheFirstActivationReadsTheSettingsAndNeverShowsTheDialog)
{
    PrivateBus bus;
    TempTree t;
    t.file("a.bin", 3000);
    Program p("[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"WhatIf\"=\"1\"\n", true, bus.connect());
    QDBusConnection peer = bus.connect();
    callapplication(
        peer, QStringLiteral("Open"), openargs(QStringLiteral("file://") + QString::fromStdString(t.root())));
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.main->scanrunning() || p.values.scanroot; }));
    ASSERT_TRUE(p.scanned());
    EXPECT_EQ(p.values.whatifkb, 1);
    EXPECT_EQ(p.values.scanroot->whatif, 3072); // read before the scan
    EXPECT_TRUE(p.main->startupdone());

    // Shown and activated afterwards: no Select Directory dialog over the tree.
    p.main->show();
    p.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.main.get()));
    ASSERT_TRUE(p.settled());
    EXPECT_FALSE(p.select()->isVisible());
    EXPECT_EQ(p.model().rowCount(), 1);
}

TEST(DesktopBus, WhatCannotBeOpenedIsReportedAndChangesNothing)
{
    PrivateBus bus;
    TempTree t;
    Program p({}, true, bus.connect());
    ASSERT_TRUE(p.start());
    QDBusConnection peer = bus.connect();
    const std::vector<std::pair<QString, QString>> cases = {
        { "sftp://host/srv", "Cannot open sftp://host/srv" },
        { QString::fromStdString("file://" + t.at("missing")),
            QString::fromStdString("Cannot open file://" + t.at("missing")) },
    };
    for (const auto& [uri, text] : cases) {
        p.feedback.messages.clear();
        const QDBusMessage reply = callapplication(peer, QStringLiteral("Open"), openargs(uri));
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << uri.toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !p.feedback.messages.isEmpty(); })) << uri.toStdString();
        EXPECT_EQ(p.feedback.messages, QStringList { text });
        EXPECT_TRUE(p.select()->isVisible()); // the start-up's dialog stays
        EXPECT_FALSE(p.main->scanrunning());
        EXPECT_EQ(p.values.scanpath, "");
    }
}

// A regular file is opened as an export file, as a drop opens it; one that is not an export is reported
// on the status line and the tree stays.
TEST(DesktopBus, OpenOfAFileReadsItAsAnExport)
{
    PrivateBus bus;
    TempTree t;
    t.file("broken.json", 10);
    {
        QFile f(QString::fromStdString(t.at("srv.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.18\",\"timestamp\":1796133780},\n"
                "[{\"name\":\"/srv\",\"asize\":4096},{\"name\":\"b.c\",\"asize\":5000,\"dsize\":8192}]]\n");
    }
    Program p({}, true, bus.connect());
    ASSERT_TRUE(p.start());
    QDBusConnection peer = bus.connect();
    const QDBusMessage reply
        = callapplication(peer, QStringLiteral("Open"), openargs(QString::fromStdString("file://" + t.at("srv.json"))));
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE(p.status()->text(), QStringLiteral("Scan of /srv taken 2026-12-01 14:03 by ncdu 1.18"));
    ASSERT_TRUE(p.scanned());
    EXPECT_EQ(p.values.shownexport.get(), t.at("srv.json"));
    ASSERT_NE(p.values.scanroot, nullptr);
    EXPECT_EQ(p.values.scanroot->name(), "/srv");

    const QString shown = p.status()->text();
    callapplication(peer, QStringLiteral("Open"), openargs(QString::fromStdString("file://" + t.at("broken.json"))));
    QTRY_VERIFY(p.status()->text() != shown);
    ASSERT_TRUE(p.scanned());
    QTRY_VERIFY(!p.status()->text().startsWith(QStringLiteral("Scan of")));
    EXPECT_EQ(p.values.scanroot->name(), "/srv");
    EXPECT_EQ(p.values.shownexport.get(), t.at("srv.json"));
    EXPECT_TRUE(p.feedback.messages.isEmpty());
}

TEST(DesktopBus, ActivateBringsTheWindowBackAndThereAreNoActions)
{
    PrivateBus bus;
    Program p({}, false, bus.connect());
    ASSERT_TRUE(p.start());
    QTest::mouseClick(p.button("QVF2cancelbtn"), Qt::LeftButton);
    p.main->hide();
    QDBusConnection peer = bus.connect();
    EXPECT_EQ(callapplication(peer, QStringLiteral("Activate"), { QVariantMap() }).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.main->isVisible(); }));
    const QDBusMessage action = callapplication(
        peer, QStringLiteral("ActivateAction"), { QStringLiteral("quit"), QVariantList(), QVariantMap() });
    EXPECT_EQ(action.type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(p.main->isVisible());
}

TEST(DesktopBus, ASecondCopyRunsWithoutTheNameAndWithoutABusAsBefore)
{
    PrivateBus bus;
    QDBusConnection first = bus.connect();
    ASSERT_TRUE(first.registerService(ApplicationBus::name()));
    QDBusConnection second = bus.connect();
    Program p({}, false, second);
    EXPECT_FALSE(p.main->findChild<ApplicationBus*>()->claimed());
    EXPECT_TRUE(second.objectRegisteredAt(ApplicationBus::path()) == nullptr);
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    EXPECT_EQ(p.model().rowCount(), 1);

    Program alone;
    EXPECT_FALSE(alone.main->findChild<ApplicationBus*>()->claimed());
}

} // namespace

namespace {

// A scanned tree on the disc: a directory whose name is not UTF-8 and a group at the top.
struct ShownTree
{
    TempTree t;
    ShownTree()
    {
        t.dir("caf\xe9");
        t.file("caf\xe9/a.txt", 10);
        t.file("b.c", 10);
    }
};

TEST(DesktopFileManager, ShowsADirectoryOrAGroupsDirectoryThroughTheFileManager)
{
    PrivateBus bus;
    ShownTree tree;
    Program p({}, true, bus.connect());
    FakeFileManager manager(bus.connect());
    ASSERT_TRUE(manager.owned);
    UrlRecorder fallback(QStringLiteral("file"));
    ASSERT_TRUE(p.start());
    p.choose(tree.t.root());
    ASSERT_TRUE(p.scanned());

    p.command(p.node("caf\xe9"), &ScanTreeView::showinfilemanageraction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.shown.size() == 1; }));
    EXPECT_EQ(manager.shown[0], QStringList { QString::fromStdString("file://" + tree.t.root() + "/caf%E9") });
    EXPECT_EQ(manager.shown[0][0], fileuri(tree.t.at("caf\xe9")));

    p.command(p.node("*.C"), &ScanTreeView::showinfilemanageraction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.shown.size() == 2; }));
    EXPECT_EQ(manager.shown[1], QStringList { fileuri(tree.t.root()) });
    ASSERT_TRUE(p.settled());
    EXPECT_TRUE(fallback.opened.empty());
    EXPECT_TRUE(p.feedback.messages.isEmpty());
}

TEST(DesktopFileManager, WithoutAFileManagerOrABusTheDefaultHandlerOpensTheDirectory)
{
    ShownTree tree;
    PrivateBus bus;
    UrlRecorder fallback(QStringLiteral("file"));
    for (const bool onbus : { true, false }) {
        Program p({}, true, onbus ? bus.connect() : QDBusConnection(QString()));
        ASSERT_TRUE(p.start());
        p.choose(tree.t.root());
        ASSERT_TRUE(p.scanned());
        fallback.opened.clear();
        p.command(p.node("caf\xe9/*.TXT"), &ScanTreeView::showinfilemanageraction);
        ASSERT_TRUE(QTest::qWaitFor([&] { return fallback.opened.size() == 1; })) << onbus;
        EXPECT_EQ(fallback.opened[0].toEncoded(), fileuri(tree.t.at("caf\xe9")).toLatin1());
        EXPECT_TRUE(p.feedback.messages.isEmpty());
    }
}

TEST(DesktopFileManager, AFileManagerThatDoesNotAnswerIsDroppedWithoutBlockingAndReported)
{
    PrivateBus bus;
    ShownTree tree;
    Program p({}, true, bus.connect());
    FakeFileManager manager(bus.connect());
    manager.answer = false;
    UrlRecorder fallback(QStringLiteral("file"));
    ASSERT_TRUE(p.start());
    p.choose(tree.t.root());
    ASSERT_TRUE(p.scanned());
    p.command(p.node(""), &ScanTreeView::showinfilemanageraction);
    // The window goes on while the call waits.
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.shown.size() == 1; }));
    ASSERT_TRUE(p.settled());
    EXPECT_TRUE(p.feedback.messages.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.feedback.messages.isEmpty(); }, 30000));
    EXPECT_EQ(p.feedback.messages,
        QStringList { "Cannot show " + QString::fromStdString(tree.t.root()) + " in a file manager" });
    EXPECT_TRUE(fallback.opened.empty()); // its answer may still come: no second window
}

TEST(DesktopFileManager, NothingToOpenWithIsReported)
{
    ShownTree tree;
    Program p({}, true);
    ASSERT_TRUE(p.start());
    p.choose(tree.t.root());
    ASSERT_TRUE(p.scanned());
    // No bus, and the tests' platform opens no URL itself.
    p.command(p.node("*.C"), &ScanTreeView::showinfilemanageraction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.feedback.messages.isEmpty(); }));
    EXPECT_TRUE(p.feedback.messages[0].startsWith(QStringLiteral("Cannot show ")));
}

TEST(DesktopFileManager, NodeCommandsAreOffForAnImportedTreeAndRescanForGroupsAndDuringAScan)
{
    Program p;
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    ScanTreeView& view = p.main->treeview();
    auto enabled = [&](const std::string& path) {
        QMenu* menu = p.menufor(p.node(path));
        const std::pair<bool, bool> on { view.showinfilemanageraction()->isEnabled(),
            view.rescanaction()->isEnabled() };
        menu->close();
        return on;
    };
    EXPECT_EQ(enabled(""), std::pair(true, true));
    EXPECT_EQ(enabled("a"), std::pair(true, true));
    EXPECT_EQ(enabled("a/*.TXT"), std::pair(true, false));

    p.values.shownexport.set("/srv.json"); // as an import leaves it
    EXPECT_EQ(enabled("a"), std::pair(false, false));
    EXPECT_EQ(enabled("*.C"), std::pair(false, false));
    p.values.shownexport.set({});

    // While a scan runs its tree is empty; a rescan of a shown tree is held below.
    ASSERT_TRUE(p.heldscan());
    QMenu* menu = p.menufor(QModelIndex());
    EXPECT_FALSE(view.rescanaction()->isEnabled());
    menu->close();
    p.files.release();
    ASSERT_TRUE(p.scanned());
}

} // namespace

namespace {

// A whole scan of path as it is now, summed, to hold a rescanned tree against.
struct WholeScan
{
    Walk walk;
    int maxdepth = 0;
    WholeScan(const std::string& path, std::uint32_t clustersize)
    {
        PosixDirLister lister;
        rollup(walk.run(lister, path, clustersize), 0, maxdepth);
    }
};

// Every node's label and disc are those of its record's figures now.
void expectlabels(const Program& p)
{
    ScanTreeModel& m = p.model();
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& at, int level) {
        const dirrec* r = m.record(at);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(m.data(at).toString(), buildlabel(*r, 2 * level, m.labelwidth()));
        EXPECT_EQ(m.stateimage(*r), ColourOfSize(p.colours, r->space)) << r->name();
        for (int row = 0; row < m.rowCount(at); ++row)
            walk(m.index(row, 0, at), level + 1);
    };
    walk(m.index(0, 0), 0);
}

TEST(MainWindowRescan, ARescannedDirectoryEqualsAWholeScanAndTheViewStaysAsItWas)
{
    TempTree t;
    for (int i = 0; i < 40; ++i)
        t.file("f" + std::to_string(100 + i) + ".x" + std::to_string(i), 10); // rows to scroll by
    for (int i = 0; i < 8; ++i)
        t.dir("a" + std::to_string(i)); // rows above sub, which stays in view
    for (const char* d : { "sub", "sub/gone", "sub/keep", "sub/keep/in", "other" })
        t.dir(d);
    t.file("sub/b.c", 5000);
    t.file("sub/c.c", 10);
    t.file("sub/old.log", 7);
    t.file("sub/gone/x.txt", 1);
    t.file("sub/keep/y.txt", 2);
    t.file("sub/keep/in/z.txt", 2);
    t.file("other/w.md", 3);

    Program p({}, true);
    QAbstractItemModelTester tester(&p.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(p.start());
    p.choose(t.root());
    ASSERT_TRUE(p.scanned());
    ScanTreeView& view = p.main->treeview();
    view.expand(p.node("sub"));
    view.expand(p.node("sub/keep"));
    view.expand(p.node("sub/gone"));
    view.expand(p.node("sub/keep/in")); // stays expanded although it goes below
    view.setCurrentIndex(p.node("sub/keep/*.TXT"));
    view.selectionModel()->select(p.node("sub/keep/*.TXT"), QItemSelectionModel::ClearAndSelect);
    ASSERT_TRUE(p.settled());
    view.verticalScrollBar()->setValue(3);
    ASSERT_EQ(view.verticalScrollBar()->value(), 3);
    const dirrec* top = p.values.scanroot;

    // Files added, removed and grown, a group emptied, a group new, a directory gone, one new and deeper.
    t.file("sub/d.c", 123);
    ::unlink(t.at("sub/c.c").c_str());
    t.file("sub/b.c", 9000);
    ::unlink(t.at("sub/old.log").c_str());
    t.file("sub/new.py", 40000);
    ::unlink(t.at("sub/gone/x.txt").c_str());
    ::rmdir(t.at("sub/gone").c_str());
    t.file("sub/keep/in/more.txt", 2);
    for (std::string d = "sub/new"; d.size() < 40; d += "/deeper")
        t.dir(d);
    t.file("sub/new/deeper/deeper/deeper/deeper/f.txt", 5);

    p.command(p.node("sub"), &ScanTreeView::rescanaction);
    ASSERT_EQ(view.verticalScrollBar()->value(), 3);
    EXPECT_EQ(p.status()->text(), QString::fromStdString(t.at("sub")));
    ASSERT_TRUE(p.scanned());
    QTRY_VERIFY(p.status()->text().startsWith(QStringLiteral("Freespace on Drive ")));

    const WholeScan whole(t.root(), p.values.clustersize);
    EXPECT_EQ(treetext(p.values.scanroot), treetext(whole.walk.root));
    EXPECT_EQ(p.model().labelwidth(), labelwidth(whole.maxdepth));
    EXPECT_EQ(p.values.scanroot, top); // the same tree, corrected
    expectlabels(p);

    EXPECT_TRUE(view.isExpanded(p.node("")));
    EXPECT_TRUE(view.isExpanded(p.node("sub")));
    EXPECT_TRUE(view.isExpanded(p.node("sub/keep")));
    EXPECT_TRUE(view.isExpanded(p.node("sub/keep/in")));
    EXPECT_FALSE(view.isExpanded(p.node("sub/new")));
    EXPECT_FALSE(view.isExpanded(p.node("other")));
    EXPECT_EQ(view.currentIndex(), p.node("sub/keep/*.TXT"));
    EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList { p.node("sub/keep/*.TXT") });
    ASSERT_TRUE(p.settled());
    EXPECT_EQ(view.verticalScrollBar()->value(), 3);

    // Largest first follows the new figures, above the rescanned directory too; then a directory that has
    // gone altogether becomes an empty one.
    view.largestfirstaction()->setChecked(true);
    ::unlink(t.at("other/w.md").c_str());
    ::rmdir(t.at("other").c_str());
    t.file("sub/keep/in/huge.txt", 100000000);
    p.command(p.node("other"), &ScanTreeView::rescanaction);
    ASSERT_TRUE(p.scanned());
    p.command(p.node("sub/keep/in"), &ScanTreeView::rescanaction);
    ASSERT_TRUE(p.scanned());
    EXPECT_EQ(p.model().index(0, 0, p.node("")), p.node("sub"));
    EXPECT_EQ(p.model().rowCount(p.node("other")), 0);
    const WholeScan gone(t.root(), p.values.clustersize);
    EXPECT_EQ(p.values.scanroot->count, gone.walk.root->count);
    EXPECT_EQ(p.values.scanroot->space, gone.walk.root->space);
    expectlabels(p);
    EXPECT_EQ(view.currentIndex(), p.node("sub/keep/*.TXT"));
}

TEST(MainWindowRescan, StopLeavesTheOldSubtreeAndTheFilesAreReadOnlyBelowTheDirectory)
{
    Program p;
    ASSERT_TRUE(p.start());
    p.choose("/data");
    ASSERT_TRUE(p.scanned());
    const std::string before = treetext(p.values.scanroot);
    const std::vector<std::string> opened = p.files.opened();

    p.files.hold("/data/a");
    p.files.file("/data/a/new.txt", 1);
    p.command(p.node("a"), &ScanTreeView::rescanaction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.files.held() && p.values.scaninprogress == 1; }, 10000));
    EXPECT_EQ(p.model().rowCount(), 1); // the tree stays on display
    EXPECT_EQ(p.status()->text(), QStringLiteral("/data/a"));
    QTest::mouseClick(p.stop(), Qt::LeftButton);
    EXPECT_EQ(p.status()->text(), QStringLiteral("Directory Scan Aborted"));
    p.files.release();
    ASSERT_TRUE(p.scanned());
    ASSERT_TRUE(p.settled());
    EXPECT_EQ(p.status()->text(), QStringLiteral("Directory Scan Aborted"));
    EXPECT_EQ(treetext(p.values.scanroot), before);
    expectlabels(p);

    // Done again without a stop: only /data/a is read (opened once from the scan root to see that it is
    // still a directory there, then walked), and only its volume asked for the free space.
    p.command(p.node("a"), &ScanTreeView::rescanaction);
    ASSERT_TRUE(p.scanned());
    QTRY_COMPARE(p.status()->text(), FreeText);
    std::vector<std::string> want = opened;
    want.insert(want.end(), 4, "/data/a");
    EXPECT_EQ(p.files.opened(), want);
    EXPECT_EQ(p.volumes.asked(), (std::vector<std::string> { "/data", "/data/a", "/data/a" }));
    EXPECT_EQ(p.values.scanroot->count, 5u);
    EXPECT_EQ(p.values.scanpath, "/data");
}

} // namespace
