#include "Placement.h"
#include "TQVForm3.h"
#include "TQVHForm2.h"
#include "TQVHForm6.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

using namespace qv;

namespace {

template <typename T> T* child(QWidget& window, const char* name)
{
    T* w = window.findChild<T*>(QString::fromUtf8(name));
    EXPECT_TRUE(w) << name;
    return w;
}

} // namespace

TEST(History, IsAReadOnlyScrollingTextOfDatedEntriesOldestFirst)
{
    TQVHForm2 history;
    EXPECT_EQ(history.windowTitle(), QStringLiteral("Quorvane History"));
    EXPECT_EQ(history.size(), QSize(449, 273));
    EXPECT_EQ(history.minimumSize(), history.maximumSize());
    auto* text = child<QPlainTextEdit>(history, "QVHHistory");
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->geometry(), QRect(0, 0, 449, 273));
    EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // Each entry: a heading with date and version, a line of dashes as long, a paragraph.
    const QStringList entries = text->toPlainText().trimmed().split(QStringLiteral("\n\n"));
    ASSERT_GE(entries.size(), 3);
    static const QRegularExpression heading(QStringLiteral("^(\\d{1,2} [A-Z][a-z]+ \\d{4})  -  Version ([0-9.]+)$"));
    QDate previous;
    QString version;
    for (const QString& entry : entries) {
        const QStringList lines = entry.split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 3) << entry.toStdString();
        const auto m = heading.match(lines[0]);
        ASSERT_TRUE(m.hasMatch()) << lines[0].toStdString();
        EXPECT_EQ(lines[1], QString(lines[0].size(), QLatin1Char('-')));
        EXPECT_GT(lines[2].size(), 20);
        const QDate date = QLocale(QLocale::English).toDate(m.captured(1), QStringLiteral("d MMMM yyyy"));
        ASSERT_TRUE(date.isValid()) << m.captured(1).toStdString();
        if (previous.isValid())
            EXPECT_GT(date, previous);
        previous = date;
        version = m.captured(2);
    }
    EXPECT_EQ(version, QStringLiteral("3.7.1"));
}

TEST(History, EachOpeningPlacesItAnewAndEscDoesNotCloseIt)
{
    TQVHForm2 history;
    history.open(QRect(22, 32, 703, 397));
    EXPECT_TRUE(history.isVisible());
    EXPECT_FALSE(history.isModal());

    // Beside a main window partly off the screen: the title bar is kept on the screen.
    history.open(QRect(-300, 500, 703, 397));
    EXPECT_TRUE(history.isVisible());
    EXPECT_EQ(outerbounds(&history).topLeft(), QPoint(0, 590));

    QTest::keyClick(&history, Qt::Key_Escape);
    EXPECT_TRUE(history.isVisible());
    history.close();
    EXPECT_FALSE(history.isVisible());
}

struct WarrantyCase
{
    const char* what;
    std::function<void(TQVHForm6&)> act;
    std::vector<int> exits;
    int result;
};

TEST(Warranty, DisagreeAndEscEndTheProgramWithStatusZeroWhileAgreeAndTheCloseBoxDoNot)
{
    const std::vector<WarrantyCase> cases = {
        { "Disagree clicked",
            [](TQVHForm6& w) { QTest::mouseClick(child<QPushButton>(w, "QVWarrantyNO"), Qt::LeftButton); }, { 0 },
            QDialog::Rejected },
        { "Esc", [](TQVHForm6& w) { QTest::keyClick(&w, Qt::Key_Escape); }, { 0 }, QDialog::Rejected },
        { "Esc in the text", [](TQVHForm6& w) { QTest::keyClick(child<QPlainTextEdit>(w, "Memo1"), Qt::Key_Escape); },
            { 0 }, QDialog::Rejected },
        { "Agree clicked",
            [](TQVHForm6& w) { QTest::mouseClick(child<QPushButton>(w, "QVWarrantyOK"), Qt::LeftButton); }, {},
            QDialog::Accepted },
        { "Enter", [](TQVHForm6& w) { QTest::keyClick(&w, Qt::Key_Return); }, {}, QDialog::Accepted },
        { "close box", [](TQVHForm6& w) { w.close(); }, {}, QDialog::Accepted },
    };
    for (const WarrantyCase& c : cases) {
        std::vector<int> exits;
        TQVHForm6 warranty(nullptr, [&exits](int status) { exits.push_back(status); });
        warranty.open(QRect(22, 32, 703, 397));
        ASSERT_TRUE(warranty.isVisible()) << c.what;
        c.act(warranty);
        EXPECT_EQ(exits, c.exits) << c.what;
        EXPECT_EQ(warranty.result(), c.result) << c.what;
        EXPECT_FALSE(warranty.isVisible()) << c.what;
    }
}

TEST(Warranty, Layout)
{
    TQVHForm6 warranty(nullptr, [](int) {});
    EXPECT_EQ(warranty.windowTitle(), QStringLiteral("Quorvane Warranty"));
    EXPECT_EQ(warranty.size(), QSize(403, 273));
    auto* memo = child<QPlainTextEdit>(warranty, "Memo1");
    auto* ok = child<QPushButton>(warranty, "QVWarrantyOK");
    auto* no = child<QPushButton>(warranty, "QVWarrantyNO");
    ASSERT_TRUE(memo && ok && no);
    EXPECT_TRUE(memo->isReadOnly());
    // The whole text shows: nothing to scroll to, and the box ends above the buttons.
    warranty.show();
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0);
    EXPECT_LT(memo->geometry().bottom(), ok->geometry().top());
    warranty.hide();
    for (const char* term : { "as is", "warrant", "purchase price", "risk", "agree", "distributed freely" })
        EXPECT_TRUE(memo->toPlainText().contains(QString::fromUtf8(term), Qt::CaseInsensitive)) << term;
    EXPECT_EQ(ok->text(), QStringLiteral("Agree"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(no->text(), QStringLiteral("Disagree"));
    EXPECT_FALSE(no->isDefault());
}

TEST(About, ShowsTheLogoNameAndVersionCentredOnTheScreen)
{
    TQVForm3 about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(497, 284));
    EXPECT_FALSE(about.windowIcon().isNull());
    auto* panel = child<QFrame>(about, "Panel1");
    ASSERT_TRUE(panel);
    auto* image = child<QLabel>(about, "QVimage");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(185, 185));
    EXPECT_FALSE(image->pixmap().isNull());
    const struct
    {
        const char* name;
        const char* text;
        int points;
    } labels[]
        = { { "QVF3about", "About", 18 }, { "QVF3name", "Quorvane", 24 }, { "QVF3version", "Version 3.7.1", 12 } };
    for (const auto& l : labels) {
        auto* label = child<QLabel>(about, l.name);
        ASSERT_TRUE(label);
        EXPECT_EQ(label->text(), QString::fromUtf8(l.text));
        EXPECT_EQ(label->font().pointSize(), l.points);
        EXPECT_TRUE(panel->geometry().contains(label->mapTo(&about, label->rect().center()))) << l.name;
    }
    auto* ok = child<QPushButton>(about, "QVF3okbtn");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->isDefault());

    // Placement halves truncate toward zero, also for a screen smaller than the window.
    const struct
    {
        QSize screen;
        QPoint at;
    } screens[] = { { { 1024, 768 }, { 263, 242 } }, { { 1000, 601 }, { 251, 158 } }, { { 400, 200 }, { -48, -42 } } };
    for (const auto& s : screens)
        EXPECT_EQ(centredonscreen(s.screen, outerbounds(&about).size()), s.at);

    // Opened on the real screen: Esc does not close it, OK does.
    about.open();
    EXPECT_EQ(outerbounds(&about).topLeft(), centredonscreen(screensize(), outerbounds(&about).size()));
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}
