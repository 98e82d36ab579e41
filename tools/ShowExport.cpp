// Developer tool: the program's main window with an export file opened in it, as a drop onto the window
// opens it (the start-up's Select Directory dialog is cancelled first), for looking at the result.
//
//   quorvane-showexport FILE
#include "ColourRangeTable.h"
#include "Feedback.h"
#include "ImportTree.h"
#include "MakeWindows.h"
#include "PosixDirLister.h"
#include "PosixVolumeQuery.h"
#include "RegFileStore.h"
#include "ScanValues.h"
#include "TQVForm1.h"
#include "TQVForm2.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

using namespace qv;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-showexport FILE\n");
        return 2;
    }
    QtFeedback feedback;
    ScanValues values;
    ColourRangeTable colours;
    RegFileStore settings;
    PosixVolumeQuery volumes;
    const Services services { values, colours, settings, feedback, volumes,
        [] { return std::make_unique<PosixDirLister>(); }, importtree };
    const std::unique_ptr<TQVForm1> main = makewindows(services);
    main->show();
    main->activateWindow();
    const QString file = QString::fromLocal8Bit(argv[1]);
    QTimer poll;
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // Without a window manager the window may never be activated, and the start-up never comes.
        if (!main->startupdone() && !main->windows().select.isVisible() && ++polls < 20)
            return;
        poll.stop();
        main->windows().select.reject();
        main->openexport(file);
    });
    poll.start(50);
    return app.exec();
}
