#include "MakeWindows.h"

#include "ColourRangeTable.h"
#include "HelpLauncher.h"
#include "HelpViewerWindow.h"
#include "Placement.h"
#include "RecolourTree.h"
#include "ScanValues.h"
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

#include <QDir>

namespace qv {

std::unique_ptr<TQVForm1> makewindows(const Services& services, Windows& windows, const std::string& mountinfo)
{
    auto form1 = std::make_unique<TQVForm1>(services, windows);
    TQVForm1* main = form1.get();
    windows.form1 = main;
    // Looked up when pressed, so Help works once the launcher below exists.
    auto help = [&windows](const QString& keyword) {
        if (windows.help)
            windows.help(keyword);
    };

    windows.form2 = new TQVForm2(main, mountinfo);
    windows.form2->select = [main](const std::string& path) { main->selectscan(path); };
    windows.form2->help = help;

    windows.form3 = new TQVForm3(main);
    windows.diag1 = new TQVdiag1(main);

    auto* form4 = new TQVForm4(services.values, services.colours, services.makelister, main);
    windows.form4 = form4;
    windows.filldetail = [form4](const dirrec& group) { form4->fill(group); };

    // Apply recolours only a finished tree on display: never records a scan is still writing, nor the
    // node-less records of an aborted scan.
    ScanValues& values = services.values;
    ColourRangeTable& colours = services.colours;
    auto recolour = [main, &values, &colours] {
        if (!hasfinishedtree(values))
            return;
        RecolourTree(values.scanroot, colours);
        values.scanroot->stateimage = ColourOfSize(colours, values.scanroot->space);
        main->refreshstateimages();
    };
    auto* crform = new TQVCRForm(colours, services.settings, services.feedback, recolour, help, main);
    windows.crform = crform;
    windows.crfdiag = &crform->messagewindow();
    windows.colourranges = [crform, main] { crform->openmodal(outerbounds(main)); };

    auto* legend = new TQVHForm1(colours, main);
    windows.hform1 = legend;
    windows.showcolourranges = [legend, main] { legend->ShowColourRanges(outerbounds(main)); };

    windows.hform2 = new TQVHForm2(main);
    auto* findhelp = new TQVFindHelp(main, mountinfo, QDir::currentPath().toStdString());
    windows.findhelp = findhelp;
    windows.hform6 = new TQVHForm6(main);
    windows.whatifform = new TQVWhatifForm(values, services.feedback, main);

    // The help viewer and launcher are no windows of the table; they live as long as the main window.
    auto* viewer = new HelpViewerWindow(main);
    auto* launcher = new HelpLauncher(services.settings, services.feedback, *viewer, *findhelp, main);
    QObject::connect(main, &QObject::destroyed, [launcher] { delete launcher; });
    windows.help = [launcher](const QString& keyword) { launcher->showhelp(keyword); };
    return form1;
}

} // namespace qv
