// Fills the detail list with the files of one group in one big directory and times it.
//
//   quorvane-detailbench [--fills N] [COUNT] [DIR]
//   quorvane-detailbench --watch SECONDS DIR
//
// Makes COUNT empty files (default 200,000) named like "Word123456.txt" in mixed case under DIR (default a
// new directory in the temporary directory, removed afterwards), then fills the shown detail list with
// the group *.TXT six times. Prints the time of each step, how often the list's viewport was painted per
// fill, the longest the event loop went without turning while a fill was read on its worker, and the
// process's peak and current resident memory after each fill and after the list is closed. Then times
// the rows alone (listing, rows, sort) and the model's reset. COUNT 0 uses the files already in DIR.
// With --fills, fills the list N times instead of six and stops after them.
//
// With --watch, fills the list once with the group *.TXT of DIR (for example on a FUSE mount whose daemon
// is stopped), runs the event loop for SECONDS and prints its longest pause and whether the rows came.
#include "ColourRangeTable.h"
#include "DetailModel.h"
#include "DetailRows.h"
#include "PosixDirLister.h"
#include "RecordArena.h"
#include "RowOrder.h"
#include "ScanValues.h"
#include "TQVForm4.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

bool makefiles(const std::string& dir, int count)
{
    static const char* words[] = { "apple", "Banana", "CHERRY", "date", "Elder", "fig", "Grape", "hazel" };
    for (int i = 0; i < count; ++i) {
        // Numbers spread so that the listing order is not the sorted order.
        const unsigned n = static_cast<unsigned>(i) * 2654435761u % 1000000u;
        const std::string name = dir + "/" + words[n % 8] + std::to_string(n) + "_" + std::to_string(i) + ".txt";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        if (i % 3 == 0 && ::ftruncate(fd, i % 50000) != 0)
            return false;
        ::close(fd);
    }
    return true;
}

// A "VmHWM" (peak) or "VmRSS" (current) figure of /proc/self/status, in MB.
double memorymb(const char* field)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    double kb = -1;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':')
            kb = std::atof(line + n + 1);
    std::fclose(f);
    return kb / 1024;
}

double ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// One group of one directory, as the scan would hand it to the list.
struct Group
{
    RecordArena arena;
    dirrec* group;
    explicit Group(const std::string& dir)
    {
        dirrec* root = arena.make(dir, KindDirectory);
        group = arena.make("*.TXT", KindGroup);
        group->parent = root;
        root->child = group;
    }
};

int watch(double seconds, const std::string& dir)
{
    ScanValues values;
    ColourRangeTable table;
    Group g(dir);
    TQVForm4 form(values, table, [] { return std::make_unique<PosixDirLister>(); });
    form.show();
    bool came = false;
    QObject::connect(&form, &TQVForm4::filled, [&] { came = true; });
    QElapsedTimer beat, all;
    double longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, ms(beat));
        beat.restart();
        if (ms(all) > seconds * 1000)
            QApplication::quit();
    });
    all.start();
    form.fill(*g.group);
    const double call = ms(all);
    beat.start();
    ticker.start();
    QApplication::exec();
    std::printf("in fill() %.1f ms, longest event-loop pause over %.1f s: %.1f ms, rows %s\n", call, ms(all) / 1000,
        longest, came ? "shown" : "not shown (still reading)");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--watch")
        return watch(std::atof(argv[2]), argv[3]);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool fillsonly = args.size() > 1 && args[0] == "--fills";
    const int fills = fillsonly ? std::max(1, std::atoi(args[1].c_str())) : 6;
    const std::size_t first = fillsonly ? 2 : 0; // COUNT, then DIR
    const int count = args.size() > first ? std::atoi(args[first].c_str()) : 200000;
    QTemporaryDir tmp;
    const std::string dir = args.size() > first + 1 ? args[first + 1] : tmp.path().toStdString();

    QElapsedTimer t;
    t.start();
    if (count > 0 && !makefiles(dir, count)) {
        std::fprintf(stderr, "cannot make the files in %s\n", dir.c_str());
        return 1;
    }
    std::printf("made %d files in %.0f ms\n", count, ms(t));

    ScanValues values;
    ColourRangeTable table;
    Group g(dir);
    dirrec* group = g.group;

    TQVForm4 form(values, table, [] { return std::make_unique<PosixDirLister>(); });
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    // The list the form shows: a fill after a big group makes it anew.
    auto list = [&] { return form.findChild<QTreeView*>(QStringLiteral("QVList1")); };
    PaintCounter counter;
    QApplication::processEvents();

    // The event loop's longest pause while a fill is in flight: a timer due every millisecond (one due at
    // every turn of the loop would keep a core busy and slow the worker down).
    QElapsedTimer beat;
    double longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, ms(beat));
        beat.restart();
    });
    std::vector<double> times;
    std::printf("before the first fill: peak %.0f MB, now %.0f MB\n", memorymb("VmHWM"), memorymb("VmRSS"));
    for (int i = 0; i < fills; ++i) {
        counter.paints = 0;
        QSignalSpy filled(&form, &TQVForm4::filled);
        t.restart();
        form.fill(*group);
        const double call = ms(t);
        list()->viewport()->installEventFilter(&counter);
        longest = 0;
        beat.start();
        ticker.start();
        if (!filled.wait(600000))
            return 1;
        ticker.stop();
        const double ready = ms(t);
        QApplication::processEvents(); // the repaint the rows asked for
        const double painted = ms(t);
        std::printf("fill %d: %d rows, in fill() %.0f ms, rows shown after %.0f ms, with the repaint %.0f ms, "
                    "%d paint(s), longest event-loop pause meanwhile %.0f ms, peak %.0f MB, now %.0f MB\n",
            i + 1, list()->model()->rowCount(), call, ready, painted, counter.paints, longest, memorymb("VmHWM"),
            memorymb("VmRSS"));
        std::fflush(stdout);
        times.push_back(painted);
    }
    if (fillsonly) {
        std::sort(times.begin(), times.end());
        std::printf("fill with repaint: median %.0f ms of %d\n", times[times.size() / 2], fills);
        return 0;
    }
    t.restart();
    form.close();
    QApplication::processEvents();
    std::printf("closed in %.0f ms: %d rows, now %.0f MB\n", ms(t), list()->model()->rowCount(), memorymb("VmRSS"));
    form.show();

    // The rows alone: listing, statx, row making and sorting.
    for (int i = 0; i < 3; ++i) {
        PosixDirLister lister;
        t.restart();
        auto rows = detailrows(*group, lister, { values.clustersize, values.whatifkb, table });
        const double rowstime = ms(t);
        t.restart();
        sortrows(rows); // sorting again: the sort's share
        std::printf("rows: %zu rows in %.0f ms, of which sorting about %.0f ms\n", rows.size(), rowstime, ms(t));
    }

    // The model's share: replacing 200,000 rows by as many (the old ones freed) and the repaint.
    for (int i = 0; i < 3; ++i) {
        PosixDirLister lister;
        auto rows = detailrows(*group, lister, { values.clustersize, values.whatifkb, table });
        counter.paints = 0;
        t.restart();
        form.model()->setrows({}); // the old rows are freed here
        const double cleared = ms(t);
        QApplication::processEvents();
        t.restart();
        form.model()->setrows(std::move(rows));
        const double reset = ms(t);
        QApplication::processEvents();
        std::printf("model: clearing %.0f ms, reset to the new rows %.0f ms, with the repaint "
                    "%.0f ms, %d paint(s)\n",
            cleared, reset, ms(t), counter.paints);
    }
    std::sort(times.begin(), times.end());
    std::printf("fill with repaint: min %.0f ms, median %.0f ms, max %.0f ms\n", times.front(), times[times.size() / 2],
        times.back());
    return 0;
}
