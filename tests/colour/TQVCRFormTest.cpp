// The Colour Ranges dialog driven as a user would: mouse and keys through QTest on the offscreen platform,
// controls found by name, a real settings file in a temporary XDG_CONFIG_HOME, beeps and error reports
// recorded, and the modal message window closed by a watcher while it is up.
#include "TQVCRForm.h"

#include "ColourRangeTable.h"
#include "RecordingFeedback.h"
#include "RegFileStore.h"
#include "SettingsStore.h"
#include "TQVCRFDiag.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

using namespace qv;

// Readable QString values in failure messages.
void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// A store whose writes all fail, as a full disc would make them.
struct FailingStore : SettingsStore
{
    bool keyExists(std::string_view) override { return false; }
    bool valueExists(std::string_view, std::string_view) override { return false; }
    std::string readString(std::string_view, std::string_view name) override { throw fail("get", name); }
    std::int32_t readInteger(std::string_view, std::string_view name) override { throw fail("get", name); }
    void write(const SettingsBatch& batch) override { throw fail("set", batch.changes().front().name); }
    static SettingsError fail(const char* what, std::string_view name)
    {
        return SettingsError("Failed to " + std::string(what) + " data for '" + std::string(name) + "'");
    }
};

// Closes the message window with its OK button whenever it is up as the modal window, noting where it
// was and which control of the dialog held the focus meanwhile.
class DiagWatch
{
public:
    explicit DiagWatch(TQVCRFDiag& diag)
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this, &diag] {
            if (QApplication::activeModalWidget() != &diag || !diag.isVisible())
                return;
            positions.push_back(diag.frameGeometry().topLeft());
            QWidget* behind = diag.parentWidget() ? diag.parentWidget()->focusWidget() : nullptr;
            focusbehind << (behind ? behind->objectName() : QString());
            diag.findChild<QPushButton*>(QStringLiteral("QVCRFDokBtn"))->click();
        });
        m_timer.start();
    }
    int shown() const { return int(positions.size()); }

    std::vector<QPoint> positions;
    QStringList focusbehind;

private:
    QTimer m_timer;
};

// The ranges as "colour:bound" texts, so that a difference shows in a failure.
std::vector<std::string> texts(const ColourRangeTable::Ranges& ranges)
{
    std::vector<std::string> out;
    for (const ColourRange& r : ranges)
        out.push_back(std::to_string(r.colour) + ":" + QString::number(r.bound, 'f', 0).toStdString());
    return out;
}

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

class ColourRangesDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        setenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit().constData(), 1);
        m_store = std::make_unique<RegFileStore>();
        m_form = std::make_unique<TQVCRForm>(
            m_table, *m_store, m_feedback, [this] { recolour(); },
            [this](const QString& keyword) { helpkeywords << keyword; });
    }

    void TearDown() override
    {
        m_form.reset();
        unsetenv("XDG_CONFIG_HOME");
    }

    void recolour()
    {
        ++recolours;
        tableatrecolour = m_table.ranges();
    }

    // Opens the dialog over a main window at (100, 50) and waits until it has the focus.
    void open()
    {
        m_form->open(QRect(100, 50, 703, 397));
        activate(m_form.get());
    }

    // Makes w the active window. QTest::qWaitForWindowActive() is not enough: a hidden window that was
    // active keeps counting as active for its transient parent on the offscreen platform.
    static void activate(QWidget* w)
    {
        w->windowHandle()->requestActivate();
        ASSERT_TRUE(QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
    }

    template <typename T = QWidget> T* control(const QString& name)
    {
        T* w = m_form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLineEdit* edit(const QString& name) { return control<QLineEdit>(name); }
    QLineEdit* to(int k) { return edit(QStringLiteral("QVCRFto%1").arg(k)); }
    QLineEdit* from(int k) { return edit(QStringLiteral("QVCRFfrom%1").arg(k)); }
    QFrame* frame(int k) { return control<QFrame>(QStringLiteral("QVCRFCol%1B").arg(k)); }
    QRadioButton* radio(int k) { return control<QRadioButton>(QStringLiteral("RadioButton%1").arg(k)); }

    // After the message window has closed, the dialog gets the activation back (asynchronously).
    void settle()
    {
        if (m_form->isVisible() && QApplication::activeWindow() != m_form.get()) {
            EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == m_form.get(); }));
        }
    }

    void click(QWidget* w)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
        settle();
    }
    void click(const QString& name) { click(control(name)); }

    // Clicks into the edit (running the exit check of the control that had the focus) and replaces its
    // text by typing.
    void typeinto(QLineEdit* e, const QString& text)
    {
        click(e);
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
    }

    void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        QTest::keyClick(w, k, mods);
        settle();
    }

    QString focusname() const
    {
        QWidget* w = m_form->focusWidget();
        return w ? w->objectName() : QString();
    }

    // The names of the highlighted swatch frames.
    QStringList raised()
    {
        QStringList names;
        for (int k = 1; k <= 8; ++k)
            if (frame(k)->frameShape() != QFrame::NoFrame)
                names << frame(k)->objectName();
        return names;
    }

    std::string stored(int n) { return m_store->readString(ColRangeLoadKey, std::to_string(n)); }
    bool settingsfileexists() const { return QFile::exists(m_config.path() + "/Tavenbrook/Quorvane.reg"); }

    QTemporaryDir m_config;
    std::unique_ptr<RegFileStore> m_store;
    ColourRangeTable m_table;
    test::RecordingFeedback m_feedback;
    std::unique_ptr<TQVCRForm> m_form;
    int recolours = 0;
    ColourRangeTable::Ranges tableatrecolour {};
    QStringList helpkeywords;
};

TEST_F(ColourRangesDialog, OpensWithTheTableInTheEditsAndRangeOneSelected)
{
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(m_form->frameGeometry().topLeft(), QPoint(220, 120));
    EXPECT_EQ(from(1)->text(), blanks(11) + "0");
    EXPECT_EQ(to(8)->text(), blanks(7) + "Infinity");
    EXPECT_TRUE(to(8)->isReadOnly());
    const QString defaults[7] = { "10KB", "100KB", "1000KB", "10000KB", "100000KB", "1000000KB", "10000000KB" };
    for (int k = 1; k <= 7; ++k) {
        const QString text = blanks(11 - defaults[k - 1].size()) + defaults[k - 1];
        EXPECT_EQ(to(k)->text(), text) << k;
        EXPECT_EQ(from(k + 1)->text(), text) << k;
        EXPECT_TRUE(from(k + 1)->isReadOnly());
        EXPECT_FALSE(to(k)->isReadOnly());
    }
    EXPECT_TRUE(radio(1)->isChecked());
    EXPECT_EQ(raised(), QStringList { "QVCRFCol1B" });
}

// The radio buttons are one group: Tab stops at the one that is on, as in a standard dialog.
TEST_F(ColourRangesDialog, TabOrderRunsThroughTheRowsThenTheRadioButtonOnThenTheButtons)
{
    ASSERT_NO_FATAL_FAILURE(open());
    for (int on : { 1, 5 }) {
        SCOPED_TRACE(on);
        click(radio(on));
        from(1)->setFocus(Qt::OtherFocusReason);
        QStringList visited { focusname() };
        for (int i = 0; i < 22; ++i) {
            key(Qt::Key_Tab);
            visited << focusname();
        }
        QStringList expected;
        for (int k = 1; k <= 8; ++k)
            expected << QStringLiteral("QVCRFfrom%1").arg(k) << QStringLiteral("QVCRFto%1").arg(k);
        expected << QStringLiteral("RadioButton%1").arg(on);
        expected << "QVCRFokBtn"
                 << "QVCRFcancelBtn"
                 << "QVCRFapplyBtn"
                 << "QVCRFDefaultBtn"
                 << "QVCRFhelpBtn";
        expected << "QVCRFfrom1";
        EXPECT_EQ(visited, expected);
        key(Qt::Key_Backtab);
        EXPECT_EQ(focusname(), "QVCRFhelpBtn");
    }
    EXPECT_EQ(m_feedback.beeps, 0);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(control(QStringLiteral("QVCRFCol%1").arg(k))->focusPolicy(), Qt::NoFocus);
}

TEST_F(ColourRangesDialog, AcceptedEntrySetsTheBoundAndShowsItInBothEdits)
{
    struct Case
    {
        int k;
        QString typed;
        double bound;
        QString shown;
    };
    const Case cases[] = {
        { 1, "20K", 20480, blanks(7) + "20KB" }, { 1, "10KB", 10240, blanks(7) + "10KB" },
        { 1, "10 kb", 10240, blanks(7) + "10KB" }, { 1, "10k", 10240, blanks(7) + "10KB" },
        { 1, "1.5K", 1536, blanks(8) + "2KB" }, { 1, "100", 100, blanks(8) + "0KB" },
        { 4, "5 m b", 5242880, blanks(5) + "5120KB" },
        { 2, "10K", 10240, blanks(7) + "10KB" }, // equal to the bound below: an empty range
        { 2, "1000k", 1024000, blanks(5) + "1000KB" }, // equal to the bound above
        { 7, "1000000000000000K", 1024000000000000000.0, "1000000000000000KB" }, // the sentinel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        ASSERT_NO_FATAL_FAILURE(open());
        typeinto(to(c.k), c.typed);
        key(Qt::Key_Tab);
        EXPECT_EQ(m_form->WorkingRanges()[c.k - 1].bound, c.bound);
        EXPECT_EQ(to(c.k)->text(), c.shown);
        EXPECT_EQ(from(c.k + 1)->text(), c.shown);
        EXPECT_EQ(focusname(), QStringLiteral("QVCRFfrom%1").arg(c.k + 1));
        EXPECT_EQ(m_feedback.beeps, 0);
        m_form->reject();
    }
    EXPECT_EQ(texts(m_table.ranges()), texts(ColourRangeTable::defaults())); // nothing was committed
}

TEST_F(ColourRangesDialog, BytesShownAsWholeKilobytesAreReadBackAsShown)
{
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(1), "100");
    key(Qt::Key_Tab);
    EXPECT_EQ(m_form->WorkingRanges()[0].bound, 100);
    click(to(1));
    key(Qt::Key_Tab);
    EXPECT_EQ(m_form->WorkingRanges()[0].bound, 0);
    EXPECT_EQ(to(1)->text(), blanks(8) + "0KB");
}

TEST_F(ColourRangesDialog, UnreadableEntryBeepsAndKeepsTheFocusAndTheText)
{
    const QString entries[] = { "1.5", "10BK", "K10", "10KK", "1,000", "", "abc" };
    for (const QString& typed : entries) {
        SCOPED_TRACE(typed.toStdString());
        ASSERT_NO_FATAL_FAILURE(open());
        DiagWatch watch(m_form->messagewindow());
        const int beeps = m_feedback.beeps;
        typeinto(to(1), typed);
        key(Qt::Key_Tab);
        EXPECT_EQ(m_feedback.beeps, beeps + 1);
        EXPECT_EQ(focusname(), "QVCRFto1");
        EXPECT_EQ(to(1)->text(), typed);
        EXPECT_EQ(from(2)->text(), blanks(7) + "10KB");
        EXPECT_EQ(m_form->WorkingRanges()[0].bound, 10240);
        EXPECT_EQ(watch.shown(), 0);
        m_form->reject();
    }
}

TEST_F(ColourRangesDialog, OutOfOrderEntryBeepsShowsTheMessageAndKeepsTheFocus)
{
    struct Case
    {
        int k;
        QString typed;
    };
    const Case cases[] = { { 1, "200K" }, { 2, "5K" }, { 2, "1001K" }, { 7, "999999K" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        ASSERT_NO_FATAL_FAILURE(open());
        const double before = m_form->WorkingRanges()[c.k - 1].bound;
        const QString frombelow = from(c.k + 1)->text();
        DiagWatch watch(m_form->messagewindow());
        const int beeps = m_feedback.beeps;
        typeinto(to(c.k), c.typed);
        key(Qt::Key_Tab);
        EXPECT_EQ(watch.shown(), 1);
        EXPECT_EQ(watch.focusbehind, QStringList { QStringLiteral("QVCRFto%1").arg(c.k) });
        EXPECT_EQ(m_feedback.beeps, beeps + 1);
        EXPECT_EQ(focusname(), QStringLiteral("QVCRFto%1").arg(c.k));
        EXPECT_EQ(to(c.k)->text(), c.typed);
        EXPECT_EQ(from(c.k + 1)->text(), frombelow);
        EXPECT_EQ(m_form->WorkingRanges()[c.k - 1].bound, before);
        m_form->reject();
    }
}

TEST_F(ColourRangesDialog, MessageWindowStartsAtItsPlaceAndStaysCentredOnceToSevenCentredIt)
{
    ASSERT_NO_FATAL_FAILURE(open());
    TQVCRFDiag& diag = m_form->messagewindow();
    EXPECT_EQ(diag.findChild<QLabel*>()->text(), "The changed TO range must be between same and next FROM range");
    DiagWatch watch(diag);
    typeinto(to(1), "200K");
    key(Qt::Key_Tab);
    typeinto(to(1), "10K");
    typeinto(to(7), "1000000000000001K"); // just above the sentinel
    key(Qt::Key_Tab);
    typeinto(to(7), "10000000K");
    typeinto(to(3), "1K");
    key(Qt::Key_Tab);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QPoint centred(
        (screen.width() - diag.frameGeometry().width()) / 2, (screen.height() - diag.frameGeometry().height()) / 2);
    ASSERT_EQ(watch.shown(), 3);
    // Its own place, moved left only as far as keeps its title bar on a narrow screen (placed before its
    // first showing, when its frame is not known yet).
    EXPECT_EQ(watch.positions[0], QPoint(std::min(197, screen.width() - diag.width()), 164));
    EXPECT_EQ(watch.positions[1], centred);
    EXPECT_EQ(watch.positions[2], centred);
    EXPECT_EQ(m_feedback.beeps, 3);
}

TEST_F(ColourRangesDialog, MessageWindowClosesOnlyThroughOk)
{
    TQVCRFDiag& diag = m_form->messagewindow();
    diag.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&diag));
    QTest::keyClick(&diag, Qt::Key_Escape);
    EXPECT_TRUE(diag.isVisible());
    QTest::keyClick(&diag, Qt::Key_Return); // OK is the default button
    EXPECT_FALSE(diag.isVisible());
    EXPECT_EQ(diag.result(), QDialog::Accepted);
}

TEST_F(ColourRangesDialog, NoComplaintWhenTheFocusGoesToCancel)
{
    const QString entries[] = { "abc", "200K" };
    for (const QString& typed : entries) {
        SCOPED_TRACE(typed.toStdString());
        ASSERT_NO_FATAL_FAILURE(open());
        DiagWatch watch(m_form->messagewindow());
        typeinto(to(1), typed);
        click("QVCRFcancelBtn");
        EXPECT_FALSE(m_form->isVisible());
        EXPECT_EQ(m_form->result(), QDialog::Rejected);
        EXPECT_EQ(m_feedback.beeps, 0);
        EXPECT_EQ(watch.shown(), 0);
    }
    EXPECT_EQ(texts(m_table.ranges()), texts(ColourRangeTable::defaults()));
    EXPECT_FALSE(settingsfileexists());
}

TEST_F(ColourRangesDialog, EscapeAndTheCloseButtonCancel)
{
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(1), "20K");
    key(Qt::Key_Tab);
    key(Qt::Key_Escape);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->result(), QDialog::Rejected);

    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(to(1)->text(), blanks(7) + "10KB"); // the working copy was dropped
    typeinto(to(1), "20K");
    key(Qt::Key_Tab);
    m_form->close();
    EXPECT_EQ(m_form->result(), QDialog::Rejected);
    EXPECT_EQ(texts(m_table.ranges()), texts(ColourRangeTable::defaults()));
    EXPECT_FALSE(settingsfileexists());
    EXPECT_EQ(recolours, 0);
}

TEST_F(ColourRangesDialog, SwatchHighlightFollowsTheSelectedRangeAndSwatchClicksSetItsColour)
{
    ColourRangeTable::Ranges ranges = ColourRangeTable::defaults();
    ranges[2].colour = 5;
    m_table.setranges(ranges);
    ASSERT_NO_FATAL_FAILURE(open());
    click(radio(3));
    EXPECT_TRUE(radio(3)->isChecked());
    EXPECT_FALSE(radio(1)->isChecked());
    EXPECT_EQ(raised(), QStringList { "QVCRFCol5B" });
    EXPECT_EQ(frame(5)->frameShadow(), QFrame::Raised);
    click(control("QVCRFCol8"));
    EXPECT_EQ(m_form->WorkingRanges()[2].colour, 8);
    EXPECT_EQ(raised(), QStringList { "QVCRFCol8B" });
    EXPECT_EQ(focusname(), "QVCRFapplyBtn");
    click(radio(2));
    EXPECT_EQ(raised(), QStringList { "QVCRFCol2B" });
    click(control("QVCRFCol8")); // colours need not stay distinct
    click(radio(3));
    EXPECT_EQ(raised(), QStringList { "QVCRFCol8B" });
    EXPECT_EQ(m_form->WorkingRanges()[1].colour, 8);
    EXPECT_EQ(texts(m_table.ranges()), texts(ranges));
}

TEST_F(ColourRangesDialog, ArrowKeysChooseTheNextRangeAsAClickWould)
{
    ColourRangeTable::Ranges ranges = ColourRangeTable::defaults();
    ranges[1].colour = 6;
    m_table.setranges(ranges);
    ASSERT_NO_FATAL_FAILURE(open());
    radio(1)->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Down);
    EXPECT_TRUE(radio(2)->isChecked());
    EXPECT_EQ(m_form->selectedrange(), 2);
    EXPECT_EQ(raised(), QStringList { "QVCRFCol6B" });
}

TEST_F(ColourRangesDialog, ColourOutsideThePaletteHighlightsNoSwatch)
{
    ColourRangeTable::Ranges ranges = ColourRangeTable::defaults();
    ranges[0].colour = 9;
    m_table.setranges(ranges);
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(raised(), QStringList {});
}

TEST_F(ColourRangesDialog, SwatchClickGoesThroughTheExitCheck)
{
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(1), "20K");
    click(control("QVCRFCol4"));
    EXPECT_EQ(m_form->WorkingRanges()[0].bound, 20480);
    EXPECT_EQ(m_form->WorkingRanges()[0].colour, 4);

    typeinto(to(1), "abc");
    click(control("QVCRFCol6"));
    EXPECT_EQ(m_feedback.beeps, 1);
    EXPECT_EQ(focusname(), "QVCRFto1");
    EXPECT_EQ(m_form->WorkingRanges()[0].colour, 4);
    EXPECT_EQ(raised(), QStringList { "QVCRFCol4B" });
}

TEST_F(ColourRangesDialog, SetToDefaultsChangesOnlyTheWorkingCopy)
{
    ColourRangeTable::Ranges ranges = ColourRangeTable::defaults();
    ranges[1] = { 7, 204800 };
    ranges[3].colour = 1;
    m_table.setranges(ranges);
    ASSERT_NO_FATAL_FAILURE(open());
    click(radio(2));
    EXPECT_EQ(raised(), QStringList { "QVCRFCol7B" });
    click("QVCRFDefaultBtn");
    EXPECT_EQ(texts(m_form->WorkingRanges()), texts(ColourRangeTable::defaults()));
    EXPECT_EQ(to(2)->text(), blanks(6) + "100KB");
    EXPECT_EQ(from(3)->text(), blanks(6) + "100KB");
    EXPECT_TRUE(radio(2)->isChecked());
    EXPECT_EQ(raised(), QStringList { "QVCRFCol2B" });
    click("QVCRFcancelBtn");
    EXPECT_EQ(texts(m_table.ranges()), texts(ranges));
    EXPECT_FALSE(settingsfileexists());

    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(to(2)->text(), blanks(6) + "200KB");
    EXPECT_TRUE(radio(1)->isChecked());
    click("QVCRFDefaultBtn");
    click("QVCRFokBtn");
    EXPECT_EQ(texts(m_table.ranges()), texts(ColourRangeTable::defaults()));
    EXPECT_EQ(stored(1), "2\\" + std::string(9, ' ') + "102400");
}

TEST_F(ColourRangesDialog, OkCommitsAndSavesTheEightTextsWithoutRecolouring)
{
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(1), "20K");
    click(radio(2));
    click(control("QVCRFCol5"));
    click("QVCRFokBtn");
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->result(), QDialog::Accepted);
    EXPECT_EQ(m_table.range(1).bound, 20480);
    EXPECT_EQ(m_table.range(2).colour, 5);
    EXPECT_EQ(recolours, 0);
    const std::string texts[8] = { "1\\" + std::string(10, ' ') + "20480", "5\\" + std::string(9, ' ') + "102400",
        "3\\" + std::string(8, ' ') + "1024000", "4\\" + std::string(7, ' ') + "10240000",
        "5\\" + std::string(6, ' ') + "102400000", "6\\" + std::string(5, ' ') + "1024000000",
        "7\\" + std::string(4, ' ') + "10240000000", "8\\1024000000000000000" };
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(stored(n), texts[n]) << n;

    // The next opening starts from the committed table.
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(to(1)->text(), blanks(7) + "20KB");
    EXPECT_TRUE(radio(1)->isChecked());
}

TEST_F(ColourRangesDialog, ApplyCommitsRecoloursAndSaves)
{
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(2), "500K");
    click("QVCRFapplyBtn");
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->result(), QDialog::Accepted);
    ASSERT_EQ(recolours, 1);
    EXPECT_EQ(tableatrecolour[1].bound, 512000); // the table was committed before the tree was recoloured
    EXPECT_EQ(m_table.range(2).bound, 512000);
    EXPECT_EQ(stored(1), "2\\" + std::string(9, ' ') + "512000");
    EXPECT_TRUE(m_feedback.errors.isEmpty());
}

TEST_F(ColourRangesDialog, ClickThatAFailedCheckRefusedTakesNoEffect)
{
    const char* targets[] = { "QVCRFokBtn", "QVCRFapplyBtn", "QVCRFDefaultBtn", "RadioButton4" };
    for (const char* target : targets) {
        SCOPED_TRACE(target);
        for (const QString& typed : { QString("abc"), QString("600K") }) {
            ASSERT_NO_FATAL_FAILURE(open());
            DiagWatch watch(m_form->messagewindow());
            typeinto(to(2), "500K");
            typeinto(to(1), typed);
            const int beeps = m_feedback.beeps;
            click(target);
            EXPECT_EQ(m_feedback.beeps, beeps + 1);
            EXPECT_TRUE(m_form->isVisible());
            EXPECT_EQ(focusname(), "QVCRFto1");
            EXPECT_EQ(to(2)->text(), blanks(6) + "500KB"); // not reset to the defaults
            EXPECT_TRUE(radio(1)->isChecked());
            EXPECT_FALSE(control<QAbstractButton>(target)->isDown());
            m_form->reject();
        }
    }
    EXPECT_EQ(recolours, 0);
    EXPECT_EQ(texts(m_table.ranges()), texts(ColourRangeTable::defaults()));
    EXPECT_FALSE(settingsfileexists());

    // Once the entry is put right the same click works.
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(1), "abc");
    click("QVCRFokBtn");
    typeinto(to(1), "30K");
    click("QVCRFokBtn");
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_table.range(1).bound, 30720);
}

TEST_F(ColourRangesDialog, ClickOnAnotherToEditThatAFailedCheckRefusedChecksNothingThere)
{
    ColourRangeTable::Ranges ranges = ColourRangeTable::defaults();
    ranges[1].bound = 102401; // shown as 100KB: a check of that edit would make it 102400
    m_table.setranges(ranges);
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(1), "abc");
    click(to(2));
    EXPECT_EQ(m_feedback.beeps, 1);
    EXPECT_EQ(focusname(), "QVCRFto1");
    EXPECT_EQ(m_form->WorkingRanges()[1].bound, 102401);
}

TEST_F(ColourRangesDialog, SwitchingToAnotherWindowChecksNothing)
{
    ASSERT_NO_FATAL_FAILURE(open());
    typeinto(to(1), "abc");
    QWidget other;
    other.show();
    ASSERT_NO_FATAL_FAILURE(activate(&other));
    ASSERT_NO_FATAL_FAILURE(activate(m_form.get()));
    EXPECT_EQ(m_feedback.beeps, 0);
    EXPECT_EQ(focusname(), "QVCRFto1");
    EXPECT_EQ(to(1)->text(), "abc");
}

TEST_F(ColourRangesDialog, EnterInAToEditPressesOkWithoutTakingTheTypedText)
{
    for (const QString& typed : { QString("20K"), QString("abc") }) {
        SCOPED_TRACE(typed.toStdString());
        ASSERT_NO_FATAL_FAILURE(open());
        typeinto(to(3), "2000K");
        typeinto(to(1), typed);
        key(Qt::Key_Return);
        EXPECT_FALSE(m_form->isVisible());
        EXPECT_EQ(m_form->result(), QDialog::Accepted);
        EXPECT_EQ(m_table.range(1).bound, 10240);
        EXPECT_EQ(m_table.range(3).bound, 2048000);
        EXPECT_EQ(m_feedback.beeps, 0);
        EXPECT_EQ(stored(0), "1\\" + std::string(10, ' ') + "10240");
    }
}

TEST_F(ColourRangesDialog, ToEditsTakeTwentyTypedCharactersButShowLongerBoundsInFull)
{
    ColourRangeTable::Ranges ranges = ColourRangeTable::defaults();
    ranges[1].bound = 1e27; // 24 digits of KB: more than an entry may hold
    m_table.setranges(ranges);
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(to(2)->text(), QString::number(1e27 / 1024, 'f', 0) + "KB");
    typeinto(to(1), QString(25, QLatin1Char('1')));
    EXPECT_EQ(to(1)->text(), QString(20, QLatin1Char('1')));
    typeinto(to(1), "5K");
    click(to(2));
    key(Qt::Key_Tab);
    EXPECT_EQ(m_feedback.beeps, 1);
    EXPECT_EQ(focusname(), "QVCRFto2");
}

TEST_F(ColourRangesDialog, SaveFailureGoesToTheErrorReportAndTheDialogStillCloses)
{
    FailingStore failing;
    TQVCRForm form(
        m_table, failing, m_feedback, [this] { recolour(); }, [](const QString&) {});
    form.open(QRect(0, 0, 703, 397));
    ASSERT_NO_FATAL_FAILURE(activate(&form));
    QWidget* apply = form.findChild<QWidget*>("QVCRFapplyBtn");
    QTest::mouseClick(apply, Qt::LeftButton, {}, apply->rect().center());
    EXPECT_EQ(m_feedback.errors, QStringList { "Failed to set data for '0'" });
    EXPECT_EQ(recolours, 1);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ColourRangesDialog, HelpOpensTheColourRangeTopic)
{
    ASSERT_NO_FATAL_FAILURE(open());
    click("QVCRFhelpBtn");
    EXPECT_EQ(helpkeywords, QStringList { "Change Colour Range" });
    EXPECT_TRUE(m_form->isVisible());
}

TEST_F(ColourRangesDialog, OpenIsModalUntilClosed)
{
    m_form->open(QRect(10, 20, 703, 397));
    EXPECT_EQ(QApplication::activeModalWidget(), m_form.get());
    QSignalSpy finished(m_form.get(), &QDialog::finished);
    m_form->findChild<QPushButton*>("QVCRFcancelBtn")->click();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].toInt(), QDialog::Rejected);
    EXPECT_FALSE(m_form->isVisible());
}

} // namespace
