// Developer tool: shows the Colour Ranges dialog (or, with --message, its message window) as the program
// would, on the real settings file, for looking at the layout. The dialog's OK and Apply save the table.
#include "ColourRangeTable.h"
#include "Feedback.h"
#include "RegFileStore.h"
#include "TQVCRFDiag.h"
#include "TQVCRForm.h"

#include <QApplication>
#include <QTextStream>
#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qv::RegFileStore store;
    qv::QtFeedback feedback;
    qv::ColourRangeTable table;
    qv::reporterrors(feedback, [&] { qv::LoadColourRanges(table, store); });
    qv::TQVCRForm form(
        table, store, feedback, [] { QTextStream(stdout) << "recolour\n"; },
        [](const QString& keyword) { QTextStream(stdout) << "help: " << keyword << "\n"; });
    if (argc > 1 && std::strcmp(argv[1], "--message") == 0) {
        form.messagewindow().showmodal();
        return 0;
    }
    QObject::connect(&form, &QDialog::finished, &app, &QCoreApplication::quit);
    form.open(QRect(22, 32, 703, 397));
    return app.exec();
}
