#include "TQVWhatifForm.h"

#include "Feedback.h"
#include "Forms.h"
#include "Placement.h"
#include "ScanValues.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QStyle>
#include <algorithm>
#include <stdexcept>

namespace qv {
namespace {

bool isdigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A decimal integer: an optional sign and at least one digit, nothing else.
bool isdecimal(const QString& text)
{
    const qsizetype start = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    return text.size() > start && std::all_of(text.begin() + start, text.end(), isdigit);
}

} // namespace

TQVWhatifForm::TQVWhatifForm(ScanValues& values, Feedback& feedback, QWidget* parent)
    : NoEscapeDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , m_values(values)
    , m_feedback(feedback)
    , m_label1(new QLabel(QStringLiteral("What if Cluster Size on Disc is:"), this))
    , m_clustersize(new QComboBox(this))
    , m_label2(new QLabel(QStringLiteral("KB"), this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("QVWhatifForm"));
    setWindowTitle(QStringLiteral("Quorvane What If"));
    const QFont font = formfont();
    setFont(font);
    QFont bold = font;
    bold.setBold(true);

    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(bold);
    m_label1->move(16, 16);
    m_label1->adjustSize();

    m_clustersize->setObjectName(QStringLiteral("ClusterSize"));
    m_clustersize->setEditable(true);
    m_clustersize->setInsertPolicy(QComboBox::NoInsert);
    m_clustersize->setCompleter(nullptr); // typing "3" must stay "3", not complete to "32"
    m_clustersize->addItems({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("8"),
        QStringLiteral("16"), QStringLiteral("32") });
    m_clustersize->lineEdit()->setMaxLength(2);
    m_clustersize->lineEdit()->setAcceptDrops(false);
    m_clustersize->setEditText(QStringLiteral("4"));
    // The layout's positions where the label's font leaves room for them; further right where it is wider.
    const int fieldleft = std::max(192, m_label1->geometry().right() + 9);
    m_clustersize->setGeometry(fieldleft, 12, 49, m_clustersize->sizeHint().height());
    // The combo box is the focus widget and hands keys to its line edit itself, so the filter sits on the
    // combo box. Text that comes in other ways (pasted, dropped) is left as it is, for the conversion to
    // judge when the focus leaves.
    m_clustersize->installEventFilter(this);

    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setFont(bold);
    m_label2->move(fieldleft + 56, 16);
    m_label2->adjustSize();

    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    m_ok->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    const int width = std::max(279, m_label2->geometry().right() + 17);
    setFixedSize(width, 75);
    m_ok->setGeometry(width == 279 ? 104 : (width - 75) / 2, 48, 75, 25);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_ok->installEventFilter(this);

    setTabOrder(m_clustersize, m_ok);
    m_clustersize->setFocus();

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const auto infield = [this](QWidget* w) { return w == m_clustersize || m_clustersize->isAncestorOf(w); };
        if (old && now && infield(old) && !infield(now) && isAncestorOf(now))
            ClusterSizeExit();
    });
}

void TQVWhatifForm::open(const QRect& mainbounds)
{
    showmodal(this, [mainbounds](QSize) { return mainbounds.topLeft() + QPoint(90, 70); });
}

bool TQVWhatifForm::ClusterSizeKeyPress(QChar key) const
{
    return isdigit(key) || key == QChar(8);
}

void TQVWhatifForm::ClusterSizeExit()
{
    reporterrors(m_feedback, [&] {
        const QString text = m_clustersize->currentText();
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        if (!ok || !isdecimal(text))
            throw std::invalid_argument(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
        switch (value) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 32:
            m_values.whatifkb.store(value);
            break;
        default:
            m_clustersize->setFocus(Qt::OtherFocusReason);
            m_feedback.beep();
        }
    });
}

bool TQVWhatifForm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // A press on OK whose focus change the field's check refused (the focus went back to the field) does
    // nothing: the dialog stays open on the refused number.
    if (watched == m_ok && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick))
        return focusWidget() != m_ok;
    if (watched != m_clustersize || type != QEvent::KeyPress)
        return NoEscapeDialog::eventFilter(watched, event);
    // Characters that would go into the text: only digits and erase-left. Keys that insert nothing (Tab,
    // Enter, Delete, the arrows) and shortcuts (Paste among them) go on.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    for (QChar c : key->text())
        if (c.isPrint() && !ClusterSizeKeyPress(c))
            return true;
    return false;
}

} // namespace qv
