// Developer tool: shows the detail list of one file-type group of a directory, the colour legend and the
// What-If dialog as the program would place them beside a main window at 22,32 (703 x 397), for looking
// at the layout.
//
//   quorvane-detailwindows [--legend] [--whatif] DIR [GROUP]
//
// GROUP is a pattern such as "*.TXT" (default "*."); the legend uses the stored colour ranges.
#include "ColourRangeTable.h"
#include "Feedback.h"
#include "PosixDirLister.h"
#include "RecordArena.h"
#include "RegFileStore.h"
#include "ScanValues.h"
#include "TQVForm4.h"
#include "TQVHForm1.h"
#include "TQVWhatifForm.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

using namespace qv;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bool legend = false, whatif = false;
    std::string dir, pattern = "*.";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--legend") == 0)
            legend = true;
        else if (std::strcmp(argv[i], "--whatif") == 0)
            whatif = true;
        else if (dir.empty())
            dir = argv[i];
        else
            pattern = argv[i];
    }
    if (dir.empty()) {
        std::fprintf(stderr, "usage: quorvane-detailwindows [--legend] [--whatif] DIR [GROUP]\n");
        return 2;
    }
    const QRect main(22, 32, 703, 397);
    ScanValues values;
    QtFeedback feedback;
    ColourRangeTable table;
    RegFileStore store;
    reporterrors(feedback, [&] { LoadColourRanges(table, store); });

    RecordArena arena;
    dirrec* root = arena.make(dir, KindDirectory);
    dirrec* group = arena.make(pattern, KindGroup);
    group->parent = root;
    root->child = group;

    TQVForm4 detail(values, table, [] { return std::make_unique<PosixDirLister>(); });
    TQVHForm1 legendform(table);
    TQVWhatifForm whatifform(values, feedback);
    if (whatif) {
        QObject::connect(&whatifform, &QDialog::finished, [&] {
            std::printf("whatifkb %d\n", values.whatifkb.load());
            QCoreApplication::quit();
        });
        whatifform.open(main);
    } else if (legend) {
        legendform.open(main);
    } else {
        detail.open(*group, main, 100);
    }
    return app.exec();
}
