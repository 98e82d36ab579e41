#include "TQVHForm2.h"

#include "Placement.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QStringList>

namespace qv {

namespace {

struct Release
{
    const char* date;
    const char* version;
    const char* text;
};

const Release Releases[] = {
    { "14 March 1997", "1.0",
        "First release. Scans a drive or a directory and shows its directories as a tree, each with the "
        "number of files beneath it, the bytes they hold and the disc space they really use once every "
        "file is rounded up to whole clusters." },
    { "2 September 1997", "1.1",
        "File-type groups: inside every directory the files are summed per file-name extension, one node "
        "for each type, so that the *.TMP files stand out from the *.DOC files." },
    { "20 April 1998", "2.0",
        "The scan runs in the background. The status line shows the directory being read and the number "
        "of files processed, and the Stop button ends a long scan at once." },
    { "9 November 1998", "2.1",
        "Colour bands: a coloured disc in front of every node tells which of eight size ranges its disc "
        "space falls in. Options, Show Colour Ranges lists the ranges." },
    { "28 June 1999", "2.5",
        "The detail list: double-click a file-type group to see its files with their sizes, the space "
        "they use and their modification times, sorted by name." },
    { "15 February 2000", "3.0",
        "The what-if figure: a fourth column shows the space the files would use under a cluster size of "
        "your choice, set in the What If dialog." },
    { "3 October 2000", "3.2",
        "Options, Change Colour Ranges edits the bounds and colours of the eight ranges. They are kept in "
        "your settings and Apply NOW! recolours the tree at once." },
    { "21 May 2001", "3.5",
        "Compressed files count at the space they really take on the disc. The main window opens where "
        "you left it." },
    { "30 January 2002", "3.6",
        "The help file, with a Find Help dialog that asks where the help file is when it can't be found "
        "and remembers the answer." },
    { "16 June 2003", "3.7", "Long path names, deeper trees with wider labels, and faster display of large trees." },
    { "7 December 2026", "3.7.1",
        "This edition runs on Linux. Mounted file systems take the place of drives; symbolic links count "
        "as small files and are never followed; file systems mounted below the scanned directory are "
        "listed but not entered; names show as UTF-8 and paths may be up to 4095 characters long." },
};

} // namespace

QString TQVHForm2::historytext()
{
    QStringList entries;
    for (const Release& r : Releases) {
        const QString heading
            = QStringLiteral("%1  -  Version %2").arg(QLatin1String(r.date), QLatin1String(r.version));
        entries << heading + QLatin1Char('\n') + QString(heading.size(), QLatin1Char('-')) + QLatin1Char('\n')
                + QLatin1String(r.text);
    }
    return entries.join(QStringLiteral("\n\n")) + QLatin1Char('\n');
}

TQVHForm2::TQVHForm2(QWidget* parent)
    : NoEscapeDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_history(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("QVHForm2"));
    setWindowTitle(QStringLiteral("Quorvane History"));
    setFixedSize(449, 273);
    m_history->setObjectName(QStringLiteral("QVHHistory"));
    m_history->setGeometry(rect());
    m_history->setReadOnly(true);
    m_history->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_history->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_history->setPlainText(historytext());
}

void TQVHForm2::open(const QRect& mainbounds)
{
    showplaced(this, mainbounds.topLeft() + QPoint(150, 90));
}

} // namespace qv
