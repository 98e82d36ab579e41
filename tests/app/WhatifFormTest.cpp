#include "RecordingFeedback.h"
#include "ScanValues.h"
#include "TQVWhatifForm.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace qv;

namespace {

class WhatifFormTest : public ::testing::Test
{
protected:
    ScanValues values;
    test::RecordingFeedback feedback;
    TQVWhatifForm form { values, feedback };
    QComboBox* field = form.findChild<QComboBox*>(QStringLiteral("ClusterSize"));
    QPushButton* ok = form.findChild<QPushButton*>(QStringLiteral("BitBtn1"));

    void SetUp() override
    {
        ASSERT_NE(field, nullptr);
        ASSERT_NE(ok, nullptr);
        open();
    }
    void open()
    {
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        field->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == field; }));
    }
    // Replaces the field's text by typing.
    void type(const char* keys)
    {
        field->lineEdit()->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, keys);
    }
    void tab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }
};

TEST_F(WhatifFormTest, Layout)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quorvane What If"));
    EXPECT_GE(form.width(), 279);
    EXPECT_EQ(form.height(), 75);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    auto* label1 = form.findChild<QLabel*>(QStringLiteral("Label1"));
    auto* label2 = form.findChild<QLabel*>(QStringLiteral("Label2"));
    ASSERT_TRUE(label1 && label2);
    EXPECT_EQ(label1->text(), QStringLiteral("What if Cluster Size on Disc is:"));
    EXPECT_TRUE(label1->font().bold());
    EXPECT_EQ(label2->text(), QStringLiteral("KB"));
    EXPECT_TRUE(label2->font().bold());
    EXPECT_TRUE(field->isEditable());
    QStringList items;
    for (int i = 0; i < field->count(); ++i)
        items << field->itemText(i);
    EXPECT_EQ(items, (QStringList { "1", "2", "4", "8", "16", "32" }));
    EXPECT_EQ(field->currentText(), QStringLiteral("4"));
    EXPECT_EQ(field->lineEdit()->maxLength(), 2);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    // Label, field and unit side by side whatever the font, inside the dialog.
    EXPECT_LT(label1->geometry().right(), field->x());
    EXPECT_LT(field->geometry().right(), label2->x());
    for (const QWidget* w : std::initializer_list<const QWidget*> { label1, field, label2, ok })
        EXPECT_TRUE(form.rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(WhatifFormTest, AllowedSizesApplyWhenTheFocusLeavesTheField)
{
    const struct
    {
        const char* typed;
        int whatifkb;
    } cases[] = { { "16", 16 }, { "1", 1 }, { "01", 1 }, { "08", 8 }, { "32", 32 }, { "2", 2 }, { "4", 4 } };
    for (const auto& c : cases) {
        const int before = values.whatifkb;
        type(c.typed);
        EXPECT_EQ(values.whatifkb, before); // nothing until the focus leaves the field
        tab();
        EXPECT_EQ(values.whatifkb, c.whatifkb) << c.typed;
        EXPECT_EQ(QApplication::focusWidget(), ok);
        field->setFocus();
    }
    EXPECT_EQ(feedback.beeps, 0);
    EXPECT_TRUE(feedback.errors.isEmpty());
}

TEST_F(WhatifFormTest, ChoosingFromTheListThenTab)
{
    field->setCurrentIndex(field->findText(QStringLiteral("32")));
    tab();
    EXPECT_EQ(values.whatifkb, 32);
}

TEST_F(WhatifFormTest, OtherNumbersBeepAndKeepTheFocus)
{
    values.whatifkb = 8;
    for (const char* typed : { "64", "3", "0", "99", "00" }) {
        type(typed);
        const int before = feedback.beeps;
        tab();
        EXPECT_EQ(feedback.beeps, before + 1) << typed;
        EXPECT_EQ(QApplication::focusWidget(), field) << typed;
        EXPECT_EQ(values.whatifkb, 8);
        EXPECT_EQ(field->currentText(), QString::fromLatin1(typed));
    }
    EXPECT_TRUE(feedback.errors.isEmpty());
}

TEST_F(WhatifFormTest, EmptyFieldReportsANonNumber)
{
    values.whatifkb = 16;
    type("");
    EXPECT_EQ(field->currentText(), QString());
    tab();
    EXPECT_EQ(feedback.errors, QStringList { QStringLiteral("'' is not a valid integer value") });
    EXPECT_EQ(values.whatifkb, 16);
    EXPECT_EQ(feedback.beeps, 0);
    EXPECT_EQ(QApplication::focusWidget(), ok); // the focus goes where the user moved it
}

TEST_F(WhatifFormTest, OnlyDigitsAndEraseLeftCanBeTyped)
{
    type("");
    QTest::keyClicks(field, "a -+.x");
    for (const QString& text : { QStringLiteral("\u00e9"), QStringLiteral("\u0663") }) { // é, an Arabic-Indic 3
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(field, &press);
    }
    EXPECT_EQ(field->currentText(), QString());
    QTest::keyClicks(field, "1a6");
    EXPECT_EQ(field->currentText(), QStringLiteral("16"));
    QTest::keyClicks(field, "7"); // two characters at most
    EXPECT_EQ(field->currentText(), QStringLiteral("16"));
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->currentText(), QStringLiteral("1"));
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->currentText(), QString());
}

TEST_F(WhatifFormTest, PastedTextStaysAsItIsForTheConversionToJudge)
{
    const struct
    {
        const char* pasted;
        int whatifkb; // after Tab; 8 is the value before
        int beeps;
        const char* error;
    } cases[] = {
        { "32", 32, 0, nullptr },
        { "-8", 8, 1, nullptr }, // a number, but not an allowed one
        { "x2", 8, 0, "'x2' is not a valid integer value" },
        { " 4", 8, 0, "' 4' is not a valid integer value" },
    };
    for (const auto& c : cases) {
        values.whatifkb = 8;
        feedback.beeps = 0;
        feedback.errors.clear();
        field->setFocus();
        type("");
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.pasted));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(field->currentText(), QString::fromLatin1(c.pasted));
        tab();
        EXPECT_EQ(values.whatifkb, c.whatifkb) << c.pasted;
        EXPECT_EQ(feedback.beeps, c.beeps) << c.pasted;
        EXPECT_EQ(feedback.errors, c.error ? QStringList { QString::fromLatin1(c.error) } : QStringList()) << c.pasted;
    }
}

TEST_F(WhatifFormTest, ClickOnOkWithARefusedNumberBeepsAndStaysOpen)
{
    values.whatifkb = 4;
    type("64");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(feedback.beeps, 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_EQ(values.whatifkb, 4);
    // An allowed number: applied, and the click closes.
    type("16");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(values.whatifkb, 16);
    EXPECT_EQ(feedback.beeps, 1);
}

TEST_F(WhatifFormTest, EnterClosesWithTheOldValue)
{
    values.whatifkb = 4;
    type("16");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(values.whatifkb, 4);
    EXPECT_EQ(feedback.beeps, 0);
    // The field keeps its text for the next showing.
    open();
    EXPECT_EQ(field->currentText(), QStringLiteral("16"));
}

TEST_F(WhatifFormTest, EscapeDoesNothing)
{
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(WhatifFormTest, FieldIsNotRefreshedFromTheCurrentValue)
{
    form.hide();
    values.whatifkb = 8; // as read from a stored "WhatIf" at start-up
    open();
    EXPECT_EQ(field->currentText(), QStringLiteral("4"));
    tab();
    EXPECT_EQ(values.whatifkb, 4);
}

} // namespace
