#include "ColourRangeTable.h"
#include "DetailModel.h"
#include "PathJoin.h"
#include "PosixDirLister.h"
#include "RangePalette.h"
#include "RecordArena.h"
#include "ScanValues.h"
#include "TQVForm4.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace qv;

namespace {

class DetailListTest : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    std::string root = tmp.path().toStdString();
    ScanValues values;
    ColourRangeTable table;
    QList<QImage> stateimages = RangePalette::stateimages();
    TQVForm4 form { values, table, [] { return std::make_unique<PosixDirLister>(); } };
    QTreeView* list = form.findChild<QTreeView*>(QStringLiteral("QVList1"));
    RecordArena arena;
    dirrec* scanroot = arena.make(root, KindDirectory);

    void file(const std::string& name, qint64 size)
    {
        QFile f(QString::fromStdString(joinpath(root, name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name;
        ASSERT_TRUE(f.resize(size));
    }
    dirrec* group(std::string_view name)
    {
        dirrec* g = arena.make(name, KindGroup);
        g->parent = scanroot;
        return g;
    }
    QString cell(int row, int column) const { return list->model()->index(row, column).data().toString(); }
    int rows() const { return list->model()->rowCount(); }
};

TEST_F(DetailListTest, WindowAndColumns)
{
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quorvane Detail List"));
    const struct
    {
        const char* caption;
        int width;
        Qt::Alignment align;
    } columns[] = {
        { "File Name", 140, Qt::AlignLeft },
        { "Size", 80, Qt::AlignRight },
        { "Space Used", 80, Qt::AlignRight },
        { "What If", 80, Qt::AlignRight },
        { "Modified", 150, Qt::AlignLeft },
    };
    ASSERT_EQ(list->model()->columnCount(), 5);
    file("a.txt", 3000);
    form.fill(*group("*.TXT"));
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), QString::fromLatin1(columns[c].caption));
        EXPECT_EQ(list->header()->sectionSize(c), columns[c].width) << c;
        const auto align = Qt::Alignment(list->model()->index(0, c).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(align & Qt::AlignHorizontal_Mask, columns[c].align) << c;
    }
}

TEST_F(DetailListTest, FillShowsRowsWithTextsAndStateImages)
{
    QAbstractItemModelTester tester(list->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    file("small.txt", 10);
    file("Big.txt", 199000);
    file("other.dat", 5);
    values.clustersize = 4096;
    values.whatifkb = 32;
    form.fill(*group("*.TXT"));
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(0, 0), QStringLiteral("Big.txt"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("       195KB")); // 194.8
    EXPECT_EQ(cell(0, 2), QStringLiteral("       196KB")); // 200704 bytes, 196.5 rounded to the even 196
    EXPECT_EQ(cell(0, 3), QStringLiteral("       224KB")); // seven 32 KB clusters
    EXPECT_EQ(cell(1, 0), QStringLiteral("small.txt"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("         4KB"));
    EXPECT_EQ(cell(1, 3), QStringLiteral("        32KB"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d$")).match(cell(1, 4)).hasMatch());
    // The disc is the colour of the space used: 200704 bytes is in the third band, 4096 in the first.
    const auto image
        = [&](int row) { return list->model()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().toImage(); };
    EXPECT_EQ(list->model()->index(0, 0).data(DetailModel::StateImageRole).toInt(), 3);
    EXPECT_EQ(image(0), stateimages[3]);
    EXPECT_EQ(image(1), stateimages[1]);
    EXPECT_NE(image(0), image(1));
    EXPECT_FALSE(list->model()->index(0, 1).data(Qt::DecorationRole).isValid());
}

TEST_F(DetailListTest, RefillsInPlace)
{
    file("a.txt", 1);
    file("b.txt", 1);
    file("c.log", 1);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.fill(*group("*.TXT"));
    EXPECT_EQ(rows(), 2);
    form.fill(*group("*.LOG"));
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, 0), QStringLiteral("c.log"));
    // A group whose files are all gone since the scan: an empty list in the shown window.
    ASSERT_TRUE(QFile::remove(tmp.filePath("c.log")));
    form.fill(*group("*.LOG"));
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(form.isVisible());
    form.fill(*group("*.TXT"));
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(form.findChild<QTreeView*>(QStringLiteral("QVList1")), list);
    // The what-if size in force at each fill is the one used.
    values.whatifkb = 1;
    form.fill(*group("*.TXT"));
    EXPECT_EQ(cell(0, 3), QStringLiteral("         1KB"));
}

TEST_F(DetailListTest, NameCanBeEditedWithoutTouchingTheDisc)
{
    file("keep.txt", 1);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.fill(*group("*.TXT"));
    ASSERT_EQ(rows(), 1);
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_F2);
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "renamed");
    QTest::keyClick(editor, Qt::Key_Return); // the view commits from its event loop
    EXPECT_TRUE(QTest::qWaitFor([&] { return cell(0, 0) == QStringLiteral("renamed"); }));
    EXPECT_TRUE(QFile::exists(tmp.filePath("keep.txt")));
    EXPECT_FALSE(QFile::exists(tmp.filePath("renamed")));
    // Other columns are not editable.
    EXPECT_FALSE(list->model()->flags(list->model()->index(0, 1)) & Qt::ItemIsEditable);
}

} // namespace
