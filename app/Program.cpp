#include "Program.h"

#include "AppIdentity.h"
#include "ColourRangeTable.h"
#include "Feedback.h"
#include "ImportTree.h"
#include "MakeWindows.h"
#include "PosixDirLister.h"
#include "PosixVolumeQuery.h"
#include "RegFileStore.h"
#include "ScanValues.h"
#include "TQVForm1.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace qv {

int runprogram(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    setapplicationidentity();
    QtFeedback feedback;

    // What a scan thread can reach lives on the heap: if a scan is stuck in the kernel at exit, the
    // program ends without destroying it (see below).
    auto* values = new ScanValues;
    auto* colours = new ColourRangeTable;
    auto* settings = new RegFileStore;
    auto* volumes = new PosixVolumeQuery;
    std::unique_ptr<TQVForm1> main;
    try {
        const Services services { *values, *colours, *settings, feedback, *volumes,
            [] { return std::make_unique<PosixDirLister>(); }, importtree, QDBusConnection::sessionBus() };
        main = makewindows(services);
        QObject::connect(main.get(), &TQVForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
        main->show();
        QApplication::exec();
    } catch (const std::exception& e) {
        feedback.errorreport(QString::fromUtf8(e.what()));
    }

    if (main && main->scanstuck()) {
        // The scan thread still runs and may touch the records and the windows: end here, destroying
        // nothing.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    main.reset();
    delete volumes;
    delete settings;
    delete colours;
    delete values;
    return 0;
}

} // namespace qv
