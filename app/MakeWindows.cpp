#include "MakeWindows.h"

#include "TQVForm1.h"
#include "TQVForm2.h"
#include "TQVdiag1.h"

namespace qv {

std::unique_ptr<TQVForm1> makewindows(const Services& services, Windows& windows, const std::string& mountinfo)
{
    auto form1 = std::make_unique<TQVForm1>(services, windows);
    windows.form1 = form1.get();

    windows.form2 = new TQVForm2(form1.get(), mountinfo);
    TQVForm1* main = form1.get();
    windows.form2->select = [main](const std::string& path) { main->selectscan(path); };
    windows.form2->help = [&windows](const QString& keyword) {
        if (windows.help)
            windows.help(keyword);
    };

    windows.diag1 = new TQVdiag1(form1.get());
    return form1;
}

} // namespace qv
