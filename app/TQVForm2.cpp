#include "TQVForm2.h"

#include "DirectoryList.h"
#include "DriveSelector.h"
#include "Forms.h"
#include "PathJoin.h"
#include "Placement.h"

#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

namespace qv {
namespace {

QPushButton* button(const char* name, const char* text, int top, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(8, top, 59, 33);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

TQVForm2::TQVForm2(QWidget* parent, const std::string& mountinfo)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("QVForm2"));
    setWindowTitle(QStringLiteral("Quorvane Select Directory"));
    setFixedSize(332, 175);
    setFont(formfont());

    auto* panel1 = new QFrame(this);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setGeometry(0, 0, 73, 175);
    QPushButton* selectbtn = button("QVF2selectbtn", "Select", 16, panel1);
    QPushButton* cancelbtn = button("QVF2cancelbtn", "Cancel", 64, panel1);
    QPushButton* helpbtn = button("QVf2helpbtn", "Help", 112, panel1);

    auto* panel2 = new QFrame(this);
    panel2->setObjectName(QStringLiteral("Panel2"));
    panel2->setGeometry(73, 0, 259, 175);
    auto* panel4 = new QFrame(panel2);
    panel4->setObjectName(QStringLiteral("Panel4"));
    panel4->setGeometry(0, 0, 259, 32);
    m_drives = new DriveSelector(panel4, mountinfo);
    m_drives->setObjectName(QStringLiteral("QVF2driveselect"));
    m_drives->setGeometry(8, 8, 217, 20);
    auto* panel3 = new QFrame(panel2);
    panel3->setObjectName(QStringLiteral("Panel3"));
    panel3->setGeometry(0, 32, 259, 143);
    m_dirs = new DirectoryList(panel3);
    m_dirs->setObjectName(QStringLiteral("QVF2dirselect"));
    m_dirs->setGeometry(8, 2, 243, 133);

    m_first = selectbtn;
    setTabOrder(selectbtn, cancelbtn);
    setTabOrder(cancelbtn, helpbtn);
    setTabOrder(helpbtn, m_drives);
    setTabOrder(m_drives, m_dirs);

    // At start: the drive that holds the working directory, and that directory.
    const std::string cwd = currentdirectory("/");
    const std::string drive = m_drives->driveof(cwd);
    m_drives->setdrive(drive);
    m_dirs->setdrive(drive.empty() ? std::string("/") : drive);
    m_dirs->setdirectory(cwd);

    connect(m_drives, &DriveSelector::drivechanged, this, &TQVForm2::QVF2driveselectChange);
    connect(selectbtn, &QPushButton::clicked, this, &TQVForm2::QVF2selectbtnClick);
    connect(cancelbtn, &QPushButton::clicked, this, &TQVForm2::QVF2cancelbtnClick);
    connect(helpbtn, &QPushButton::clicked, this, &TQVForm2::QVf2helpbtnClick);
}

void TQVForm2::open(const QRect& mainbounds)
{
    showmodal(this, [mainbounds](QSize size) { return centredover(mainbounds, size); });
}

void TQVForm2::selectdirectory(const std::string& dir)
{
    m_drives->reload();
    const std::string drive = m_drives->driveof(dir);
    m_drives->setdrive(drive);
    m_dirs->setdrive(drive.empty() ? std::string("/") : drive);
    m_dirs->setdirectory(dir);
    QVF2selectbtnClick();
}

void TQVForm2::showEvent(QShowEvent* event)
{
    // Drives come and go between showings; the list keeps its directory while its drive is there.
    m_drives->reload();
    showlistdrive(*m_drives, *m_dirs);
    QDialog::showEvent(event);
    // Each showing starts on Select, its focus drawn as the keyboard's (never on the drive selector,
    // where an arrow key would switch the drive unseen).
    m_first->setFocus(Qt::TabFocusReason);
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void TQVForm2::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->window() == this)
            b->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TQVForm2::QVF2driveselectChange(const QByteArray& mountpoint)
{
    m_dirs->setdrive(mountpoint.toStdString());
}

void TQVForm2::QVF2selectbtnClick()
{
    done(1);
    m_dirs->openhighlighted();
    const std::string path = m_dirs->directory();
    if (select)
        select(path);
}

void TQVForm2::QVF2cancelbtnClick()
{
    done(1);
}

void TQVForm2::QVf2helpbtnClick()
{
    if (help)
        help(QStringLiteral("File Menu"));
}

} // namespace qv
