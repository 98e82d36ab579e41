#include "MakeWindows.h"

#include "ApplicationBus.h"
#include "ColourRangeTable.h"
#include "ExportDirectory.h"
#include "HelpLauncher.h"
#include "HelpViewerWindow.h"
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

namespace qv {

std::unique_ptr<TQVForm1> makewindows(const Services& services, const std::string& mountinfo)
{
    auto form1 = std::make_unique<TQVForm1>(services);
    TQVForm1* main = form1.get();
    // Looked up when pressed: the launcher is made last.
    auto help = [main](const QString& keyword) { main->windows().help.showhelp(keyword); };

    auto* select = new TQVForm2(main, mountinfo);
    select->select = [main](const std::string& path) { main->selectscan(path); };
    select->help = help;

    auto* about = new TQVForm3(main);
    auto* noscan = new TQVdiag1(main);
    // An imported tree's groups list what the export holds, never this machine's directories of those names.
    auto detaillister = [&values = services.values, make = services.makelister]() -> std::unique_ptr<DirLister> {
        const std::string file = values.shownexport.get();
        if (file.empty())
            return make();
        return std::make_unique<ExportDirectory>(file);
    };
    auto* detail = new TQVForm4(services.values, services.colours, detaillister, main);

    ScanValues& values = services.values;
    ColourRangeTable& colours = services.colours;
    auto recolour = [main, &colours] { main->recolour(colours); };
    auto* colourranges = new TQVCRForm(colours, services.settings, services.feedback, recolour, help, main);
    auto* legend = new TQVHForm1(colours, main);
    auto* history = new TQVHForm2(main);
    auto* findhelp = new TQVFindHelp(main, mountinfo);
    auto* warranty = new TQVHForm6(main);
    auto* whatif = new TQVWhatifForm(values, services.feedback, main);

    auto* viewer = new HelpViewerWindow(main);
    auto* launcher = new HelpLauncher(services.settings, services.feedback, *viewer, *findhelp, main);
    QObject::connect(main, &QObject::destroyed, [launcher] { delete launcher; });
    main->setwindows(Windows { *select, *about, *noscan, *detail, *colourranges, *legend, *history, *findhelp,
        *warranty, *whatif, *viewer, *launcher });

    // Reached from the desktop once every window exists; a second copy runs without the name.
    (new ApplicationBus(*main))->claim(services.bus);
    return form1;
}

} // namespace qv
