#include "TQVFindHelp.h"

#include "DirectoryList.h"
#include "DriveSelector.h"
#include "HelpLauncher.h"
#include "PathJoin.h"
#include "Placement.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace qv {

namespace {

QLabel* heading(const QString& text, int points, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(points);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

TQVFindHelp::TQVFindHelp(
    QWidget* parent, std::string mountinfo, std::string startdir, DirectoryList::ListerFactory lister)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_drive(new DriveSelector(this, std::move(mountinfo)))
    , m_directory(new DirectoryList(this, std::move(lister)))
    , m_files(new QListWidget(this))
    , m_ok(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this))
    , m_cancel(new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("QVFindHelp"));
    setWindowTitle(QStringLiteral("Quorvane Find Help"));
    setFixedSize(310, 273);

    // The top band, 41 pixels high.
    QLabel* line1 = heading(QStringLiteral("Unable To Find Quorvane.hlp"), 12, this);
    line1->setObjectName(QStringLiteral("Label1"));
    line1->setGeometry(0, 2, 310, 21);
    QLabel* line2 = heading(QStringLiteral("Please Select Directory it is Located in"), 10, this);
    line2->setObjectName(QStringLiteral("Label2"));
    line2->setGeometry(0, 22, 310, 18);

    // The left part, 216 pixels wide: drive, directories, and the one-line file box.
    constexpr int left = 8, width = 200;
    m_drive->setObjectName(QStringLiteral("QVFHDrive"));
    m_drive->setGeometry(left, 45, width, m_drive->sizeHint().height());
    const int listtop = 45 + m_drive->height() + 4;
    m_files->setObjectName(QStringLiteral("QVFHFiles"));
    m_files->setGeometry(left, 273 - 8 - 21, width, 21);
    m_files->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_files->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_files->setFocusPolicy(Qt::NoFocus);
    m_directory->setObjectName(QStringLiteral("QVFHDirectory"));
    m_directory->setGeometry(left, listtop, width, m_files->y() - 4 - listtop);

    // The right band, 94 pixels wide.
    m_ok->setObjectName(QStringLiteral("QVFHOKbtn"));
    m_ok->setGeometry(216 + (94 - 75) / 2, 72, 75, 49);
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("BitBtn2"));
    m_cancel->setGeometry(216 + (94 - 75) / 2, 150, 75, 49);
    setTabOrder(m_drive, m_directory);
    setTabOrder(m_directory, m_ok);
    setTabOrder(m_ok, m_cancel);

    const std::string start = startdir.empty() ? currentdirectory("/") : startdir;
    const std::string drive = m_drive->driveof(start);
    if (!drive.empty())
        m_drive->setdrive(drive);
    m_directory->setdrive(drive.empty() ? std::string("/") : drive);
    m_directory->setdirectory(start);
    showfiles();

    connect(m_drive, &DriveSelector::drivechanged, this, &TQVFindHelp::QVFHDriveChange);
    connect(m_directory, &DirectoryList::directorychanged, this, &TQVFindHelp::QVFHDirectoryChange);
    connect(m_directory, &DirectoryList::listed, this, &TQVFindHelp::showfiles);
    connect(m_ok, &QPushButton::clicked, this, &TQVFindHelp::QVFHOKbtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_directory->installEventFilter(this);
    m_directory->setFocus();
}

bool TQVFindHelp::ask()
{
    m_drive->reload(); // discs come and go between uses, and so does the help file
    showlistdrive(*m_drive, *m_directory);
    m_directory->reread();
    showfiles();
    m_directory->setFocus(); // each use starts in the list, so Enter means OK, not a button clicked last time
    placeon(screensize());
    return exec() == QDialog::Accepted;
}

std::string TQVFindHelp::directory() const
{
    return m_directory->directory();
}

void TQVFindHelp::placeon(const QSize& screen)
{
    placeat(this, centredonscreen(screen, outerbounds(this).size()));
}

void TQVFindHelp::QVFHDriveChange()
{
    m_directory->setdrive(m_drive->drive());
    showfiles();
}

void TQVFindHelp::QVFHDirectoryChange()
{
    showfiles();
}

// The highlighted row is what the user points at, with the keyboard too: it is opened and confirmed.
void TQVFindHelp::QVFHOKbtnClick()
{
    m_directory->openhighlighted();
    accept();
}

// The file box lists the help file of the open directory, and nothing else; it is empty until the
// directory's listing has come back.
void TQVFindHelp::showfiles()
{
    m_files->clear();
    const std::string name(HelpLauncher::FileName);
    const std::vector<std::string>& files = m_directory->files();
    if (std::find(files.begin(), files.end(), name) != files.end())
        m_files->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

// Enter in the directory list presses OK, the default button, as everywhere else in the dialog.
bool TQVFindHelp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_directory && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_ok->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qv
