// The longest GUI-thread stall of the Select Directory dialog when the user picks a mount whose file
// system does not answer (a FUSE daemon stopped with SIGSTOP), by the three ways in: the drive selector,
// a row highlighted and Select, a double-click on the row. A timer on the GUI thread ticks every 5 ms; a
// stall is the longest gap between two ticks. The daemon is stopped for each way in and let go after
// the hold time, so that a window that waits on it comes back. Last, with the daemon stopped again and a
// read of the mount parked, it closes the dialog and ends, printing the time it began to end: the shell
// that runs it takes the time once it has ended (bench/run-pickerstall).
//
//   quorvane-pickerstall <mount point> <daemon pid> [hold seconds, default 6]
#include "DirectoryList.h"
#include "DriveSelector.h"
#include "TQVForm2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <thread>

using namespace qv;

namespace {

// Runs act on the GUI thread with the daemon stopped, then the event loop for the hold time and a
// second more; returns the longest gap between timer ticks in milliseconds.
qint64 stall(pid_t daemon, int hold, const std::function<void()>& act)
{
    ::kill(daemon, SIGSTOP);
    std::thread([daemon, hold] {
        std::this_thread::sleep_for(std::chrono::seconds(hold));
        ::kill(daemon, SIGCONT);
    }).detach();

    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticks.start();
    QTimer::singleShot(0, act);
    QEventLoop loop;
    QTimer::singleShot((hold + 1) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return longest;
}

int rowof(DirectoryList* list, const std::string& path)
{
    const auto rows = list->rowpaths();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == path)
            return static_cast<int>(i);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <mount point> <daemon pid> [hold seconds]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const std::string mount = argv[1];
    const pid_t daemon = static_cast<pid_t>(std::atoi(argv[2]));
    const int hold = argc > 3 ? std::atoi(argv[3]) : 6;
    const std::string parent = mount.substr(0, mount.rfind('/'));

    TQVForm2 dialog;
    DriveSelector* drives = dialog.driveselector();
    DirectoryList* list = dialog.directorylist();
    auto* select = dialog.findChild<QPushButton*>(QStringLiteral("QVF2selectbtn"));
    auto showparent = [&] {
        dialog.show();
        list->setdrive("/");
        list->setdirectory(parent);
        QTest::qWaitFor([&] { return rowof(list, mount) >= 0; });
    };

    showparent();
    const qint64 bydrive = stall(daemon, hold, [&] {
        const int row = drives->findData(QByteArray::fromStdString(mount));
        if (row < 0)
            std::fprintf(stderr, "%s is not listed as a drive\n", mount.c_str());
        drives->setCurrentIndex(row);
        emit drives->activated(row);
    });
    std::printf("drive selector: %lld ms\n", static_cast<long long>(bydrive));

    showparent();
    const qint64 byselect = stall(daemon, hold, [&] {
        list->setCurrentRow(rowof(list, mount));
        select->click();
    });
    std::printf("row and Select: %lld ms\n", static_cast<long long>(byselect));

    showparent();
    const qint64 bydoubleclick = stall(daemon, hold, [&] {
        QListWidgetItem* item = list->item(rowof(list, mount));
        emit list->itemDoubleClicked(item);
    });
    std::printf("double-click:   %lld ms\n", static_cast<long long>(bydoubleclick));

    showparent();
    ::kill(daemon, SIGSTOP);
    emit list->itemDoubleClicked(list->item(rowof(list, mount)));
    QTest::qWait(1000); // the read is parked by now
    dialog.close();
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("closing at:     %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    return 0;
}
