#include "TQVHForm6.h"

#include "Forms.h"
#include "Placement.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace qv {

QString TQVHForm6::warrantytext()
{
    return QStringLiteral(
        "This software is provided \"as is\", without warranty of any kind. All warranties, express or "
        "implied, including the implied warranties of merchantability and of fitness for a particular "
        "purpose, are disclaimed.\n\n"
        "In no event shall the author's liability exceed the purchase price paid for the software. You bear "
        "the entire risk as to the quality and performance of the software and of the results you obtain "
        "from it.\n\n"
        "Do not use this software unless you agree to these terms. Press Agree to accept them, or Disagree "
        "to end the program now.\n\n"
        "The software may be distributed freely, provided it is passed on complete and unchanged.");
}

TQVHForm6::TQVHForm6(QWidget* parent, ExitFunction exitfn)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_exit(std::move(exitfn))
    , m_memo(new QPlainTextEdit(this))
    , m_ok(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("Agree"), this))
    , m_no(new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Disagree"), this))
{
    setObjectName(QStringLiteral("QVHForm6"));
    setWindowTitle(QStringLiteral("Quorvane Warranty"));
    setFont(formfont());

    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setGeometry(0, 0, 403, 225);
    m_memo->setReadOnly(true);
    m_memo->setPlainText(warrantytext());

    // The whole text shows, its last line unclipped: a font that needs more lines than the 225 pixels hold
    // makes the box and the window taller.
    const int frame = 2 * m_memo->frameWidth();
    const int margin = 2 * static_cast<int>(std::ceil(m_memo->document()->documentMargin()));
    const QRect text
        = QFontMetrics(m_memo->font())
              .boundingRect(QRect(0, 0, m_memo->width() - frame - margin, 100000), Qt::TextWordWrap, warrantytext());
    // One line spare: the box's own line layout may break a line where the measure did not.
    const int grow = std::max(0, text.height() + QFontMetrics(m_memo->font()).lineSpacing() + frame + margin - 225);
    m_memo->resize(403, 225 + grow);
    setFixedSize(403, 273 + grow);

    m_ok->setObjectName(QStringLiteral("QVWarrantyOK"));
    m_ok->setGeometry(40, 240 + grow, 75, 25);
    m_ok->setDefault(true);
    m_no->setObjectName(QStringLiteral("QVWarrantyNO"));
    m_no->setGeometry(288, 240 + grow, 75, 25);
    setTabOrder(m_memo, m_ok);
    setTabOrder(m_ok, m_no);
    m_ok->setFocus();

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_no, &QPushButton::clicked, this, &TQVHForm6::QVWarrantyNOClick);
}

void TQVHForm6::open(const QRect& mainbounds)
{
    showmodal(this, [mainbounds](QSize) { return mainbounds.topLeft() + QPoint(120, 120); });
}

void TQVHForm6::QVWarrantyNOClick()
{
    m_exit(0);
    done(QDialog::Rejected); // reached only when the exit function returns, as in tests
}

void TQVHForm6::immediateexit(int status)
{
    std::fflush(nullptr);
    ::_exit(status);
}

void TQVHForm6::reject()
{
    accept();
}

void TQVHForm6::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        QVWarrantyNOClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace qv
