#include "TQVCRForm.h"

#include "Feedback.h"
#include "Forms.h"
#include "ParseSizeEntry.h"
#include "Placement.h"
#include "RangePalette.h"
#include "SizeText.h"
#include "TQVCRFDiag.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QValidator>
#include <QWindow>
#include <qdrawutil.h>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

// A To edit: reports every focus loss once the edit itself has handled it, so that an exit check that
// returns the focus leaves the edit in its focused state (cursor shown and blinking).
class RangeEdit : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;
    std::function<void(Qt::FocusReason)> onexit;

protected:
    void focusOutEvent(QFocusEvent* event) override
    {
        QLineEdit::focusOutEvent(event);
        if (onexit)
            onexit(event->reason());
    }
};

// A swatch's frame: without bevels, or highlighted with the button-face fill, a raised outer and a
// lowered inner bevel, each 2 pixels wide. The frame shape says which (NoFrame or a raised Panel).
class SwatchFrame : public QFrame
{
public:
    using QFrame::QFrame;

    void sethighlighted(bool on)
    {
        setFrameStyle(on ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
        setLineWidth(2);
        setAutoFillBackground(on);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (frameShape() == QFrame::NoFrame)
            return;
        QPainter p(this);
        qDrawShadePanel(&p, rect(), palette(), false, 2);
        qDrawShadePanel(&p, rect().adjusted(2, 2, -2, -2), palette(), true, 2);
    }
};

namespace {

constexpr int MaxEntry = 20; // characters a To edit takes from the keyboard

// Refuses typing and pasting that would make the text longer than MaxEntry characters. Unlike
// QLineEdit::setMaxLength it leaves setText() alone, so a long bound from the store shows in full and is
// read back in full; such a text may still be shortened.
class EntryLimit : public QValidator
{
public:
    explicit EntryLimit(QLineEdit* edit)
        : QValidator(edit)
    {
        // The edit's text has already changed when validate() is asked: remember the last length taken.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_length = text.size(); });
    }

    State validate(QString& input, int&) const override
    {
        return input.size() > MaxEntry && input.size() > m_length ? Invalid : Acceptable;
    }

private:
    qsizetype m_length = 0;
};

// Swatch k's image: the disc of colour number k, in the swatch's shade of that colour, at the screen's
// device pixel ratio.
QPixmap swatchdisc(int k)
{
    return QPixmap::fromImage(RangePalette::swatchimage(k, qApp->devicePixelRatio()));
}

double parse(const QString& text)
{
    const QStringView view(text);
    return ParseSizeEntry(std::u16string_view(view.utf16(), view.size()));
}

QString controlname(const char* prefix, int k)
{
    return QString::fromLatin1(prefix) + QString::number(k);
}

} // namespace

TQVCRForm::TQVCRForm(ColourRangeTable& table, SettingsStore& store, Feedback& feedback, Recolour recolour,
    HelpLauncher help, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , m_table(table)
    , m_store(store)
    , m_feedback(feedback)
    , m_recolour(std::move(recolour))
    , m_help(std::move(help))
    , m_working(table.ranges())
{
    setObjectName(QStringLiteral("TQVCRForm"));
    setWindowTitle(QStringLiteral("Quorvane Colour Ranges"));
    setFixedSize(412, 352);
    setFont(formfont());

    auto* heading = new QLabel(QStringLiteral("Disc Space Range                                  Colour"), this);
    heading->setObjectName(QStringLiteral("QVCRFheading"));
    heading->setFont(formfont(16));
    heading->setPalette(lightground());
    heading->setAutoFillBackground(true);
    heading->move(88, 8);
    fitfont(heading, heading->text(), width() - 88 - 4);
    heading->adjustSize();

    auto* panel1 = new QFrame(this);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel1->setGeometry(8, 32, 337, 281);
    auto* panel2 = new QFrame(this);
    panel2->setObjectName(QStringLiteral("Panel2"));
    panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel2->setGeometry(360, 32, 41, 281);
    panel2->setPalette(lightground());
    panel2->setAutoFillBackground(true);

    for (int k = 1; k <= 8; ++k) {
        const int top = 16 + 32 * (k - 1);
        auto* fromlabel = new QLabel(QStringLiteral("From"), panel1);
        fromlabel->move(16, top + 4);
        fromlabel->adjustSize();
        auto* from = new QLineEdit(panel1);
        from->setObjectName(controlname("QVCRFfrom", k));
        from->setGeometry(48, top, 81, 21);
        from->setReadOnly(true);
        // The texts are right-aligned numbers: in a proportional font only a right-aligned edit lines
        // their digits up.
        from->setAlignment(Qt::AlignRight);
        auto* tolabel = new QLabel(QStringLiteral("To"), panel1);
        tolabel->move(136, top + 4);
        tolabel->adjustSize();
        auto* to = new RangeEdit(panel1);
        to->setObjectName(controlname("QVCRFto", k));
        to->setGeometry(160, top, 81, 21);
        to->setValidator(new EntryLimit(to));
        to->setAlignment(Qt::AlignRight);
        auto* rangelabel = new QLabel(QStringLiteral("is Range - ") + QString::number(k), panel1);
        rangelabel->move(248, top + 4);
        fitfont(rangelabel, rangelabel->text(), 312 - 248 - 2);
        rangelabel->adjustSize();
        auto* radio = new QRadioButton(panel1);
        radio->setObjectName(controlname("RadioButton", k));
        radio->setGeometry(312, top + 4, 17, 17);
        connect(radio, &QRadioButton::clicked, this, [this, k] { RadioButtonClick(k); });

        auto* frame = new SwatchFrame(panel2);
        frame->setObjectName(controlname("QVCRFCol", k) + QLatin1Char('B'));
        frame->setGeometry(8, top, 24, 24);
        frame->setBackgroundRole(QPalette::Button);
        frame->sethighlighted(false);
        auto* swatch = new QLabel(frame);
        swatch->setObjectName(controlname("QVCRFCol", k));
        swatch->setGeometry(2, 2, 20, 20);
        swatch->setAlignment(Qt::AlignCenter);
        swatch->setPixmap(swatchdisc(k));
        swatch->installEventFilter(this);

        m_from[k - 1] = from;
        m_to[k - 1] = to;
        m_radio[k - 1] = radio;
        m_frame[k - 1] = frame;
        m_swatch[k - 1] = swatch;
    }
    m_from[0]->setText(QStringLiteral("           0"));
    m_to[7]->setText(QStringLiteral("       Infinity"));
    m_to[7]->setReadOnly(true);
    for (int k = 1; k <= 7; ++k)
        m_to[k - 1]->onexit = [this, k](Qt::FocusReason reason) { QVCRFtoExit(k, reason); };

    // The five buttons share the dialog's font: 77 pixels leave room for "Set to Defaults" in it beside
    // the bevels, and only a font whose caption would still not fit is made smaller.
    constexpr int ButtonWidth = 77;
    auto button = [this](const char* name, const QString& caption, int x) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 320, ButtonWidth, 25);
        fitfont(b, caption, ButtonWidth - 4);
        return b;
    };
    m_ok = button("QVCRFokBtn", QStringLiteral("OK"), 8);
    m_apply = button("QVCRFapplyBtn", QStringLiteral("Apply NOW!"), 88);
    m_default = button("QVCRFDefaultBtn", QStringLiteral("Set to Defaults"), 168);
    m_helpbtn = button("QVCRFhelpBtn", QStringLiteral("Help"), 248);
    m_cancel = button("QVCRFcancelBtn", QStringLiteral("Cancel"), 328);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this] { QVCRFokBtnClick(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { QVCRFapplyBtnClick(); });
    connect(m_default, &QPushButton::clicked, this, [this] { QVCRFDefaultBtnClick(); });
    connect(m_helpbtn, &QPushButton::clicked, this, [this] { QVCRFhelpBtnClick(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    std::vector<QWidget*> order;
    for (int k = 0; k < 8; ++k) {
        order.push_back(m_from[k]);
        order.push_back(m_to[k]);
    }
    order.insert(order.end(), m_radio.begin(), m_radio.end());
    order.insert(order.end(), { m_ok, m_cancel, m_apply, m_default, m_helpbtn });
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget* w : order)
        w->installEventFilter(this);

    m_diag = new TQVCRFDiag(this);
    FillRangeEdits();
    m_radio[0]->setChecked(true);
    RefreshSwatchHighlight();
}

TQVCRForm::~TQVCRForm()
{
    // The children go after this object: a To edit that loses the focus then must not call back here.
    for (RangeEdit* to : m_to)
        to->onexit = nullptr;
}

void TQVCRForm::open(const QRect& mainbounds)
{
    m_working = m_table.ranges();
    FillRangeEdits();
    m_radio[0]->setChecked(true);
    RefreshSwatchHighlight();
    showmodal(this, [mainbounds](QSize) { return mainbounds.topLeft() + QPoint(120, 70); });
}

int TQVCRForm::selectedrange() const
{
    for (int k = 1; k <= 8; ++k)
        if (m_radio[k - 1]->isChecked())
            return k;
    return 1;
}

bool TQVCRForm::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        // A press whose focus change a failed exit check refused does nothing: no click follows.
        const bool vetoed = watched == m_vetoed;
        m_vetoed = nullptr;
        if (vetoed)
            return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    for (int k = 1; k <= 8; ++k) {
        if (watched != m_swatch[k - 1] || mouse->button() != Qt::LeftButton)
            continue;
        if (type == QEvent::MouseButtonPress) {
            m_pressedswatch = k;
        } else {
            const bool click = m_pressedswatch == k && m_swatch[k - 1]->rect().contains(mouse->position().toPoint());
            m_pressedswatch = 0;
            if (click)
                reporterrors(m_feedback, [&] { QVCRFColClick(k); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TQVCRForm::FillRangeEdits()
{
    for (int k = 1; k <= 7; ++k) {
        const QString text = rangeedittext(m_working[k - 1].bound);
        m_to[k - 1]->setText(text);
        m_from[k]->setText(text);
    }
}

void TQVCRForm::resetframes()
{
    for (SwatchFrame* frame : m_frame)
        frame->sethighlighted(false);
}

void TQVCRForm::RefreshSwatchHighlight()
{
    resetframes();
    const int colour = m_working[selectedrange() - 1].colour;
    if (colour >= 1 && colour <= 8)
        m_frame[colour - 1]->sethighlighted(true);
}

// The exit check of To edit k (1..7), run when the focus has left it. QApplication::focusWidget() is
// then the control the focus is going to.
void TQVCRForm::QVCRFtoExit(int k, Qt::FocusReason reason)
{
    // Another window coming up (the message window among them) or a context menu takes the focus only for
    // a while: the focus has not left the edit within the dialog.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    // The check's own focus moves and modal window must not run it again (nor the check of a control the
    // focus was only on its way to).
    if (m_checking)
        return;
    QScopedValueRollback<bool> checking(m_checking, true);
    m_vetoed = nullptr;

    RangeEdit* edit = m_to[k - 1];
    QWidget* target = QApplication::focusWidget();
    const bool tocancel = target == m_cancel;
    const auto refuse = [&] {
        edit->setFocus(Qt::OtherFocusReason);
        if (reason == Qt::MouseFocusReason && target != edit)
            m_vetoed = target;
        m_feedback.beep();
    };

    const double value = parse(edit->text());
    if (value < -0.1) {
        if (!tocancel)
            refuse();
        return;
    }
    const bool belowlower = k > 1 && value < m_working[k - 2].bound;
    const bool aboveupper = value > m_working[k].bound;
    if (belowlower || aboveupper) {
        if (!tocancel) {
            refuse();
            if (k == 7)
                placeat(m_diag, centredonscreen(screensize(), outerbounds(m_diag).size()));
            m_diag->showmodal();
            // Hand the activation back ourselves where no window manager does. activateWindow() would
            // not: the hidden message window still counts as our active transient child.
            if (QWindow* window = windowHandle())
                window->requestActivate();
        }
        return;
    }
    m_working[k - 1].bound = value;
    const QString text = rangeedittext(value);
    edit->setText(text);
    m_from[k]->setText(text);
}

void TQVCRForm::RadioButtonClick(int k)
{
    m_radio[k - 1]->setChecked(true);
    RefreshSwatchHighlight();
}

void TQVCRForm::QVCRFColClick(int k)
{
    // The swatches take no focus: the focus goes to "Apply NOW!" so that a To edit's exit check runs
    // first, and a check that kept the focus cancels the click.
    m_apply->setFocus(Qt::OtherFocusReason);
    if (focusWidget() != m_apply)
        return;
    resetframes();
    m_frame[k - 1]->sethighlighted(true);
    m_working[selectedrange() - 1].colour = static_cast<std::int8_t>(k);
}

void TQVCRForm::QVCRFokBtnClick()
{
    m_table.setranges(m_working);
    reporterrors(m_feedback, [&] { SaveColourRanges(m_table, m_store); });
    accept();
}

void TQVCRForm::QVCRFapplyBtnClick()
{
    m_table.setranges(m_working);
    reporterrors(m_feedback, [&] {
        m_recolour();
        SaveColourRanges(m_table, m_store);
    });
    accept();
}

void TQVCRForm::QVCRFDefaultBtnClick()
{
    m_working = ColourRangeTable::defaults();
    resetframes();
    RefreshSwatchHighlight();
    FillRangeEdits();
}

void TQVCRForm::QVCRFhelpBtnClick()
{
    reporterrors(m_feedback, [&] { m_help(QStringLiteral("Change Colour Range")); });
}

} // namespace qv
