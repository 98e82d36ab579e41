#pragma once

namespace qv {

class HelpLauncher;
class HelpViewerWindow;
class TQVCRForm;
class TQVFindHelp;
class TQVForm2;
class TQVForm3;
class TQVForm4;
class TQVHForm1;
class TQVHForm2;
class TQVHForm6;
class TQVWhatifForm;
class TQVdiag1;

// The main window's other windows, each made once at start (in this order, after the main window) and
// kept to the end; each opens itself through its open(). The help viewer and launcher are no windows of
// the table but live as long.
struct Windows
{
    TQVForm2& select; // Select Directory
    TQVForm3& about;
    TQVdiag1& noscan; // No Directory Scan In Progress
    TQVForm4& detail; // detail list
    TQVCRForm& colourranges; // Colour Ranges, with its message window
    TQVHForm1& legend; // colour ranges list
    TQVHForm2& history;
    TQVFindHelp& findhelp;
    TQVHForm6& warranty;
    TQVWhatifForm& whatif;
    HelpViewerWindow& viewer;
    HelpLauncher& help;
};

} // namespace qv
