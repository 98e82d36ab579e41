#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace qv {

class TQVForm1;
class TQVForm2;
class TQVdiag1;
struct dirrec;

// The program's twelve windows, each made once at start in this order and kept to the end. A window
// not in the program (null) leaves its menu item doing nothing.
struct Windows
{
    TQVForm1* form1 = nullptr; // main window
    TQVForm2* form2 = nullptr; // Select Directory
    QDialog* form3 = nullptr; // About
    TQVdiag1* diag1 = nullptr; // No Directory Scan In Progress
    QWidget* form4 = nullptr; // detail list
    QDialog* crform = nullptr; // Colour Ranges
    QDialog* crfdiag = nullptr; // colour range message
    QWidget* hform1 = nullptr; // colour ranges list (legend)
    QWidget* hform2 = nullptr; // History
    QDialog* findhelp = nullptr; // Find Help
    QDialog* hform6 = nullptr; // Warranty
    QDialog* whatifform = nullptr; // What-If

    // What other windows do for the main window; each does nothing while empty.
    std::function<void(const dirrec& group)> filldetail; // lists the files of a file-type group in form4
    std::function<void(const QString& keyword)> help; // opens the help file at a keyword
    std::function<void()> colourranges; // Options, Change Colour Ranges: opens crform
    std::function<void()> showcolourranges; // Options, Show Colour Ranges: fills and shows hform1
};

} // namespace qv
