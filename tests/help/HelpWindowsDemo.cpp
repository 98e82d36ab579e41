// Developer tool: shows one of the help subsystem's windows on its own, for looking at it (screenshots
// under Xvfb). Not a test and not part of the program.
//   quorvane-helpdemo findhelp | viewer [keyword] [file] | about | history | warranty
#include "HelpViewerWindow.h"
#include "Placement.h"
#include "TQVFindHelp.h"
#include "TQVForm3.h"
#include "TQVHForm2.h"
#include "TQVHForm6.h"

#include <QApplication>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("about");
    const QRect main(22, 32, 703, 397); // the main window's default bounds
    std::unique_ptr<QWidget> window;
    if (what == QLatin1String("findhelp")) {
        auto* dialog = new qv::TQVFindHelp;
        dialog->placeon(qv::screensize());
        dialog->show();
        window.reset(dialog);
    } else if (what == QLatin1String("viewer")) {
        auto* viewer = new qv::HelpViewerWindow;
        window.reset(viewer);
        const QString keyword = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("Main");
        const std::string file = argc > 3 ? argv[3] : QV_PROGRAM_HELP;
        viewer->open(file, keyword, [file](bool shown) {
            if (!shown) {
                std::fprintf(stderr, "quorvane-helpdemo: could not open %s\n", file.c_str());
                QCoreApplication::exit(1);
            }
        });
        return app.exec();
    } else if (what == QLatin1String("about")) {
        auto* about = new qv::TQVForm3;
        about->open();
        window.reset(about);
    } else if (what == QLatin1String("history")) {
        auto* history = new qv::TQVHForm2;
        history->open(main);
        window.reset(history);
    } else if (what == QLatin1String("warranty")) {
        auto* warranty = new qv::TQVHForm6;
        warranty->open(main);
        window.reset(warranty);
    } else {
        std::fprintf(
            stderr, "usage: quorvane-helpdemo findhelp | viewer [keyword] [file] | about | history | warranty\n");
        return 2;
    }
    return app.exec();
}
