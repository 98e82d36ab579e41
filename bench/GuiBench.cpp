// quorvane-guibench: timings of the main window, on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise. Prints "name value unit" lines.
//
//   quorvane-guibench scan PATH [nostar]
//                                     a whole scan of PATH through the main window: scan time, tree fill
//                                     on the GUI thread, the longest pause of the event loop, expanding
//                                     the largest node, Largest First and back, "*" and collapse on the
//                                     root (not with nostar), Apply in the Colour Ranges dialog, peak
//                                     memory
//   quorvane-guibench repeat PATH N   N scans of PATH in a row in one window: peak and current memory
//                                     after each
//   quorvane-guibench stop PATH N     N scans of PATH through the main window, each stopped with the Stop
//                                     button at a random point of the walk: the time from the click to the
//                                     stop's status text, to the scan thread's end, and to the window
//                                     seeing it (median and largest)
//   quorvane-guibench rescan PATH N   N rounds, alternated, of a whole scan of PATH and "Rescan This
//                                     Directory" of the directory below it holding nearest 10,000 files,
//                                     through the main window: medians of both, of the hand-over on the
//                                     GUI thread and of the event loop's longest pause during a rescan
//   quorvane-guibench tree N WIDE     the tree fill alone for a made-up tree of N records, one directory
//                                     of which has WIDE children: fill, then expanding that directory,
//                                     repainting the discs, and re-ordering largest first and back
#include "ColourRangeTable.h"
#include "Feedback.h"
#include "MakeWindows.h"
#include "PosixDirLister.h"
#include "PosixVolumeQuery.h"
#include "Records.h"
#include "RegFileStore.h"
#include "ScanTreeModel.h"
#include "ScanTreeView.h"
#include "ScanValues.h"
#include "TQVCRForm.h"
#include "TQVForm1.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

class SilentFeedback : public Feedback
{
public:
    void beep() override { }
    void errorreport(const QString& message) override
    {
        std::fprintf(stderr, "error report: %s\n", qPrintable(message));
    }
    void message(QWidget*, const QString&) override { }
};

double peakrssmb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// CPU time the calling thread has used: unlike the wall time between two passes of the event loop it
// leaves out the time the thread waited for a core.
double threadcpums()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double rssmb()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void print(const char* name, double value, const char* unit)
{
    std::printf("%-28s %12.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

// The records of a scan, counted along their links.
long countrecords(const dirrec* root)
{
    long n = 0;
    const dirrec* r = root;
    while (r) {
        ++n;
        if (r->child) {
            r = r->child;
            continue;
        }
        while (r && r != root && !r->next)
            r = r->parent;
        r = r && r != root ? r->next : nullptr;
    }
    return n;
}

// Milliseconds that work takes, with the events it posts handled and the tree repainted.
double timed(ScanTreeView& view, const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    QCoreApplication::processEvents();
    view.viewport()->repaint();
    return clock.nsecsElapsed() / 1e6;
}

// Times expanding the node at index and laying out and painting its rows.
double expandms(ScanTreeView& view, const QModelIndex& index)
{
    QElapsedTimer clock;
    clock.start();
    view.expand(index);
    view.scrollTo(index, QAbstractItemView::PositionAtTop);
    view.viewport()->repaint();
    return clock.nsecsElapsed() / 1e6;
}

// The child of the root (or the root) with the most children.
QModelIndex widest(const ScanTreeModel& model)
{
    const QModelIndex root = model.index(0, 0);
    QModelIndex best = root;
    for (int row = 0; row < model.rowCount(root); ++row) {
        const QModelIndex child = model.index(row, 0, root);
        if (model.rowCount(child) > model.rowCount(best) || best == root)
            best = child;
    }
    return best;
}

// The program's main window with real services and settings in a temporary configuration directory.
struct Program
{
    // Set before the settings store takes its path.
    struct Config
    {
        Config() { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
        QTemporaryDir dir;
    } config;
    ScanValues values;
    ColourRangeTable colours;
    RegFileStore settings;
    SilentFeedback feedback;
    PosixVolumeQuery volumes;
    std::unique_ptr<TQVForm1> main = makewindows(Services {
        values, colours, settings, feedback, volumes, [] { return std::make_unique<PosixDirLister>(); }, {} });
};

int scan(const std::string& path, bool star)
{
    Program program;
    ScanValues& values = program.values;
    TQVForm1* main = program.main.get();
    main->show();

    // The fill runs between the model's reset signals, on the GUI thread.
    QElapsedTimer fill;
    double fillms = 0;
    QObject::connect(&main->treemodel(), &QAbstractItemModel::modelAboutToBeReset, [&] { fill.start(); });
    bool filled = false; // since the probe's last pass
    QObject::connect(&main->treemodel(), &QAbstractItemModel::modelReset, [&] {
        fillms = fill.nsecsElapsed() / 1e6;
        filled = true;
    });

    // Runs one scan; with probe, a zero timer runs once per event-loop pass and the longest gap between
    // two runs is the longest time the window did not react (the probe itself keeps the GUI thread busy,
    // so the scan is timed in a run without it).
    double longestat = 0; // when the longest gap ended, ms into the scan
    double longestcpu = 0; // the most CPU time the GUI thread used between two passes: its own work
    double fillgap = 0; // the longest gap around a tree fill (the emptying and the filling)
    auto run = [&](bool probe, double& longest) {
        QElapsedTimer clock;
        QElapsedTimer sincelast;
        double cpulast = threadcpums();
        QTimer loop;
        loop.setInterval(probe ? 0 : 5);
        QObject::connect(&loop, &QTimer::timeout, [&] {
            const double gap = sincelast.nsecsElapsed() / 1e6;
            const double cpu = threadcpums();
            if (probe)
                longestcpu = std::max(longestcpu, cpu - cpulast);
            cpulast = cpu;
            if (probe && filled)
                fillgap = std::max(fillgap, gap);
            filled = false;
            if (gap > longest) {
                longest = gap;
                longestat = clock.nsecsElapsed() / 1e6;
            }
            sincelast.start();
            if (!main->scanrunning())
                QCoreApplication::quit();
        });
        clock.start();
        sincelast.start();
        main->selectscan(path);
        loop.start();
        QApplication::exec();
        return clock.nsecsElapsed() / 1e6;
    };
    double unused = 0;
    const double scanms = run(false, unused);
    double longest = 0;
    run(true, longest);

    print("records", static_cast<double>(countrecords(values.scanroot)), "");
    print("scan through window", scanms, "ms");
    print("tree fill (GUI thread)", fillms, "ms");
    print("longest event-loop gap", longest, "ms");
    print("  ending at", longestat, "ms into the scan");
    print("gap around the tree fill", fillgap, "ms");
    print("longest GUI-thread run (CPU)", longestcpu, "ms");
    print("peak RSS after scans", peakrssmb(), "MB");
    ScanTreeModel& model = main->treemodel();
    ScanTreeView& view = main->treeview();
    const QModelIndex wide = widest(model);
    print("largest node's children", model.rowCount(wide), "");
    print("expand it", expandms(view, wide), "ms");
    view.setCurrentIndex(model.index(model.rowCount(wide) / 2, 0, wide));
    print("largest first", timed(view, [&] { view.largestfirstaction()->trigger(); }), "ms");
    print("name order again", timed(view, [&] { view.largestfirstaction()->trigger(); }), "ms");
    // Apply in the Colour Ranges dialog, with every band in another colour.
    ColourRangeTable::Ranges ranges = program.colours.ranges();
    for (ColourRange& r : ranges)
        r.colour = static_cast<std::int8_t>(9 - r.colour);
    program.colours.setranges(ranges);
    main->windows().colourranges.open(main->geometry());
    auto* apply = main->windows().colourranges.findChild<QPushButton*>(QStringLiteral("QVCRFapplyBtn"));
    if (apply)
        print("Apply (recolour)", timed(view, [&] { apply->click(); }), "ms");
    // "*" on the root, then collapsing the root.
    const QModelIndex root = model.index(0, 0);
    view.setCurrentIndex(root);
    if (star) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Asterisk, Qt::NoModifier, QStringLiteral("*"));
        print("expand all (*) on root", timed(view, [&] { QApplication::sendEvent(&view, &key); }), "ms");
        print("nodes laid out", static_cast<double>(model.nodecount()), "");
        print("collapse root", timed(view, [&] { view.collapse(root); }), "ms");
    }
    print("peak RSS", peakrssmb(), "MB");
    std::printf("status: %s\n", qPrintable(main->statustext()));
    return 0;
}

// N whole scans of path in a row through one window.
int repeat(const std::string& path, int rounds)
{
    Program program;
    TQVForm1* main = program.main.get();
    main->show();
    for (int i = 1; i <= rounds; ++i) {
        QTimer loop;
        loop.setInterval(5);
        QObject::connect(&loop, &QTimer::timeout, [&] {
            if (!main->scanrunning())
                QCoreApplication::quit();
        });
        main->selectscan(path);
        loop.start();
        QApplication::exec();
        std::printf("scan %d: peak RSS %.1f MB, RSS now %.1f MB\n", i, peakrssmb(), rssmb());
        std::fflush(stdout);
    }
    return 0;
}

// Starts N scans of path and stops each at a random point of its walk.
int stop(const std::string& path, int rounds)
{
    Program program;
    ScanValues& values = program.values;
    TQVForm1* main = program.main.get();
    main->show();
    auto* button = main->findChild<QAbstractButton*>(QStringLiteral("QVstopbtn"));
    if (!button) {
        std::fprintf(stderr, "no Stop button\n");
        return 1;
    }

    // Runs the event loop until done() holds, testing it once per pass.
    auto until = [](const std::function<bool()>& done) {
        QTimer loop;
        loop.setInterval(0);
        QObject::connect(&loop, &QTimer::timeout, [&] {
            if (done())
                QCoreApplication::quit();
        });
        loop.start();
        QApplication::exec();
    };

    // One whole scan first, for the length of a walk.
    QElapsedTimer clock;
    clock.start();
    main->selectscan(path);
    until([&] { return !main->scanrunning(); });
    const double wholems = clock.nsecsElapsed() / 1e6;
    print("whole scan", wholems, "ms");

    std::mt19937 random(1);
    std::uniform_real_distribution<double> at(0.05, 0.85);
    std::vector<double> totext, toend, toseen;
    for (int i = 0; i < rounds; ++i) {
        const double after = at(random) * wholems;
        main->selectscan(path);
        clock.start();
        until([&] { return clock.nsecsElapsed() / 1e6 >= after || !main->scanrunning(); });
        if (!main->scanrunning()) {
            std::fprintf(stderr, "round %d: the scan ended before its stop\n", i);
            continue;
        }
        clock.start();
        button->click();
        if (main->statustext() == QStringLiteral("Directory Scan Aborted"))
            totext.push_back(clock.nsecsElapsed() / 1e6);
        double ended = -1;
        until([&] {
            if (ended < 0 && values.scaninprogress == 0)
                ended = clock.nsecsElapsed() / 1e6;
            return !main->scanrunning();
        });
        toseen.push_back(clock.nsecsElapsed() / 1e6);
        toend.push_back(ended < 0 ? toseen.back() : ended);
        std::printf("round %d: stopped at %.0f ms, thread ended %.2f ms later\n", i, after, toend.back());
    }
    auto report = [](const char* name, std::vector<double> v) {
        if (v.empty())
            return;
        std::sort(v.begin(), v.end());
        std::printf("%-28s %12.2f ms median, %.2f ms largest, %zu stops\n", name, v[v.size() / 2], v.back(), v.size());
    };
    report("click to stop text", totext);
    report("click to thread end", toend);
    report("click to window sees end", toseen);
    return 0;
}

// The directory below root whose subtree holds the number of files nearest want, as the names from root.
std::vector<std::string> nearest(const dirrec* root, std::uint32_t want)
{
    const dirrec* best = root;
    auto distance = [want](const dirrec* r) { return r->count > want ? r->count - want : want - r->count; };
    for (const dirrec* n = root->child; n && n != root;) {
        if (n->kind == KindDirectory && (best == root || distance(n) < distance(best)))
            best = n;
        if (n->child) {
            n = n->child;
            continue;
        }
        while (n != root && !n->next)
            n = n->parent;
        n = n == root ? nullptr : n->next;
    }
    std::vector<std::string> names;
    for (const dirrec* r = best; r != root; r = r->parent)
        names.insert(names.begin(), std::string(r->name()));
    return names;
}

dirrec* find(dirrec* root, const std::vector<std::string>& names)
{
    dirrec* r = root;
    for (const std::string& name : names) {
        dirrec* c = r ? r->child : nullptr;
        while (c && c->name() != name)
            c = c->next;
        r = c;
    }
    return r;
}

// Processor time the calling thread has used.
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int rescan(const std::string& path, int rounds)
{
    Program program;
    ScanValues& values = program.values;
    TQVForm1* main = program.main.get();
    main->show();

    QElapsedTimer handover;
    double handoverms = 0;
    QObject::connect(&main->treemodel(), &QAbstractItemModel::layoutAboutToBeChanged, [&] { handover.start(); });
    // The model's splice between its layout signals; then the whole hand-over, to the next pass of the
    // event loop (the view's relayout and the column included).
    double fullms = 0;
    QObject::connect(&main->treemodel(), &QAbstractItemModel::layoutChanged, [&] {
        handoverms = handover.nsecsElapsed() / 1e6;
        QTimer::singleShot(0, [&] { fullms = handover.nsecsElapsed() / 1e6; });
    });

    // As in scan(): with probe, the longest gap between two passes of the event loop, and when it ended.
    double longestat = 0;
    double startms = 0; // the call that starts it
    double longestcpu = 0; // the GUI thread's own processor time within the longest gap
    double lastcpu = 0;
    auto run = [&](const std::function<void()>& start, bool probe, double& longest) {
        QElapsedTimer clock;
        QElapsedTimer sincelast;
        QTimer loop;
        loop.setInterval(probe ? 0 : 5);
        QObject::connect(&loop, &QTimer::timeout, [&] {
            const double gap = sincelast.nsecsElapsed() / 1e6;
            const double cpu = threadcpums();
            if (gap > longest) {
                longest = gap;
                longestat = clock.nsecsElapsed() / 1e6;
                longestcpu = cpu - lastcpu;
            }
            lastcpu = cpu;
            sincelast.start();
            if (!main->scanrunning())
                QCoreApplication::quit();
        });
        clock.start();
        sincelast.start();
        lastcpu = threadcpums();
        QElapsedTimer call;
        call.start();
        start();
        startms = call.nsecsElapsed() / 1e6;
        loop.start();
        QApplication::exec();
        return clock.nsecsElapsed() / 1e6;
    };
    double unused = 0;
    run([&] { main->selectscan(path); }, false, unused);
    const std::vector<std::string> below = nearest(values.scanroot, 10000);
    const dirrec* chosen = find(values.scanroot, below);
    if (!chosen || below.empty()) {
        std::fprintf(stderr, "no directory below %s\n", path.c_str());
        return 1;
    }
    std::printf("rescanned: %s (%u files, %.0f MB) of %u files\n", recordpath(*chosen).c_str(), chosen->count,
        chosen->bytes / 1048576, values.scanroot->count);

    // The longest pause of an idle event loop for as long as a rescan takes: what the machine's load
    // alone costs the window.
    auto idle = [&](double ms) {
        QElapsedTimer clock;
        QElapsedTimer sincelast;
        double longest = 0;
        QTimer loop;
        loop.setInterval(0);
        QObject::connect(&loop, &QTimer::timeout, [&] {
            longest = std::max(longest, sincelast.nsecsElapsed() / 1e6);
            sincelast.start();
            if (clock.nsecsElapsed() / 1e6 >= ms)
                QCoreApplication::quit();
        });
        clock.start();
        sincelast.start();
        loop.start();
        QApplication::exec();
        return longest;
    };

    std::vector<double> wholes, rescans, handovers, fulls, gaps, idles, cpus;
    for (int i = 0; i < rounds; ++i) {
        wholes.push_back(run([&] { main->selectscan(path); }, false, unused));
        rescans.push_back(run([&] { main->rescan(find(values.scanroot, below)); }, false, unused));
        handovers.push_back(handoverms);
        fulls.push_back(fullms);
        double longest = 0;
        run([&] { main->rescan(find(values.scanroot, below)); }, true, longest);
        gaps.push_back(longest);
        idles.push_back(idle(rescans.back()));
        std::printf("round %d: whole %.0f ms, rescan %.1f ms, splice %.2f ms, hand-over %.2f ms, longest pause "
                    "%.1f ms ending at %.0f ms, of which the GUI thread ran %.1f ms; the call starting it %.1f ms "
                    "(idle loop %.1f ms)\n",
            i, wholes.back(), rescans.back(), handovers.back(), fulls.back(), gaps.back(), longestat, longestcpu,
            startms, idles.back());
        cpus.push_back(longestcpu);
    }
    print("whole scan (median)", median(wholes), "ms");
    print("rescan (median)", median(rescans), "ms");
    std::printf("%-28s %12.4f\n", "rescan / whole", median(rescans) / median(wholes));
    print("splice (median)", median(handovers), "ms");
    print("hand-over (median)", median(fulls), "ms");
    print("idle loop's pause (median)", median(idles), "ms");
    print("longest pause (median)", median(gaps), "ms");
    print("GUI thread's run in it", median(cpus), "ms");
    print("longest pause (largest)", *std::max_element(gaps.begin(), gaps.end()), "ms");
    std::printf("status: %s\n", qPrintable(main->statustext()));
    return 0;
}

int tree(long n, long wide)
{
    // The root holds `wide` directories, one of which (the first) holds `wide` file-type groups; the rest
    // of the records are spread as ten groups per directory under the other directories.
    RecordArena arena;
    dirrec* root = arena.make("/made/up", KindDirectory);
    long made = 1;
    const Rounding rounding;
    std::vector<dirrec*> dirs;
    char name[32];
    SiblingIndex rootindex(root);
    for (long i = 0; i < wide && made < n; ++i, ++made) {
        std::snprintf(name, sizeof name, "dir%07ld", i);
        dirrec* d = nullptr;
        adddir(arena, rootindex, name, &d);
        dirs.push_back(d);
    }
    dirrec* big = dirs.front();
    SiblingIndex index(big);
    for (long i = 0; i < wide && made < n; ++i, ++made) {
        std::snprintf(name, sizeof name, "*.E%07ld", i);
        dirrec* g = nullptr;
        addgroup(arena, index, name, KindGroup, i, i, rounding, &g);
    }
    for (std::size_t d = 1; made < n; d = d + 1 < dirs.size() ? d + 1 : 1) {
        SiblingIndex idx(dirs[d]);
        for (int k = 0; k < 10 && made < n; ++k, ++made) {
            std::snprintf(name, sizeof name, "*.X%ld", made);
            dirrec* g = nullptr;
            addgroup(arena, idx, name, KindGroup, made, made, rounding, &g);
        }
    }
    int maxdepth = 0;
    rollup(root, 0, maxdepth);
    const double before = peakrssmb();

    ScanTreeView view;
    ScanTreeModel model;
    view.setscanmodel(&model);
    view.resize(700, 400);
    view.show();
    const ColourRangeTable table;
    QElapsedTimer clock;
    clock.start();
    model.build(root, 32, table);
    view.showroot();
    view.viewport()->repaint();
    const double fillms = clock.nsecsElapsed() / 1e6;

    print("records", static_cast<double>(countrecords(root)), "");
    print("tree fill + first paint", fillms, "ms");
    print("expand node of children", model.rowCount(model.indexof(big)), "");
    print("expand it", expandms(view, model.indexof(big)), "ms");
    print("peak RSS before fill", before, "MB");
    print("peak RSS after", peakrssmb(), "MB");
    clock.start();
    model.refreshstateimages();
    QCoreApplication::processEvents(); // the view's delayed relayout
    view.viewport()->repaint();
    print("repaint all state images", clock.nsecsElapsed() / 1e6, "ms");

    // "Largest First" and back, with the big directory expanded and a node of it current: the re-order,
    // the view's relayout and a repaint.
    view.setCurrentIndex(model.index(model.rowCount(model.indexof(big)) / 2, 0, model.indexof(big)));
    for (const bool on : { true, false }) {
        clock.start();
        model.setlargestfirst(on);
        QCoreApplication::processEvents();
        view.viewport()->repaint();
        print(on ? "largest first" : "name order again", clock.nsecsElapsed() / 1e6, "ms");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "scan" && (argc == 3 || (argc == 4 && std::string(argv[3]) == "nostar")))
        return scan(argv[2], argc == 3);
    if (mode == "repeat" && argc == 4)
        return repeat(argv[2], std::atoi(argv[3]));
    if (mode == "stop" && argc == 4)
        return stop(argv[2], std::atoi(argv[3]));
    if (mode == "rescan" && argc == 4)
        return rescan(argv[2], std::atoi(argv[3]));
    if (mode == "tree" && argc == 4)
        return tree(std::atol(argv[2]), std::atol(argv[3]));
    std::fprintf(stderr,
        "usage: quorvane-guibench scan PATH [nostar] | repeat PATH N | stop PATH N | rescan PATH N | tree N WIDE\n");
    return 2;
}
