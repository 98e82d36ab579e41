#include "HelpFile.h"
#include "HelpViewerWindow.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QUrl>
#include <QWindow>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace qv;

namespace {

const char* const SmallHelp = R"(<!DOCTYPE html>
<!-- Quorvane help file -->
<!-- Topics are <section> elements; this comment is none. -->
<html><head><meta charset="utf-8"><title>Test help</title></head><body>
<section id="contents" title="Contents">
<p>Start at <a href="#main">the main topic</a> or read <a href="#file-menu">the File menu</a>.</p>
<p>An <a href="https://example.org/">outside link</a> and <a href="#nowhere">a dead one</a>.</p>
</section>
<section id="main" title="Main" data-keywords="Help; Overview">
<p>The main topic. See <a href="#file-menu">File Menu</a>.</p>
</section>
<section id="file-menu" title="File Menu">
<p>Select and Exit &amp; more.</p>
</section>
</body></html>
)";

std::string writefile(const QTemporaryDir& dir, const char* name, const QByteArray& data)
{
    const QString path = dir.filePath(QString::fromUtf8(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    return path.toStdString();
}

// Opens path in the viewer and waits for its answer: whether it shows the file.
bool openandwait(HelpViewerWindow& viewer, const std::string& path, const QString& keyword)
{
    std::optional<bool> answer;
    viewer.open(path, keyword, [&](bool shown) { answer = shown; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); })) << path;
    return answer.value_or(false);
}

} // namespace

TEST(HelpFile, KeywordsFindTheirTopicsAndUnknownOnesTheContents)
{
    const auto file = HelpFile::parse(SmallHelp);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->topics().size(), 3u);
    const struct
    {
        const char* keyword;
        const char* id;
    } cases[] = {
        { "Main", "main" },
        { "main", "main" },
        { "Overview", "main" },
        { "File Menu", "file-menu" },
        { "FILE MENU", "file-menu" },
        { "Change Colour Range", "contents" },
        { "", "contents" },
    };
    for (const auto& c : cases) {
        const int index = file->topicforkeyword(QString::fromUtf8(c.keyword));
        EXPECT_EQ(file->topics()[static_cast<std::size_t>(index)].id, QString::fromUtf8(c.id)) << c.keyword;
    }
    EXPECT_EQ(file->topicbyid(QStringLiteral("file-menu")), 2);
    EXPECT_EQ(file->topicbyid(QStringLiteral("nowhere")), -1);
}

TEST(HelpFile, RejectsWhatIsNotAHelpFile)
{
    const QByteArray good(SmallHelp);
    const struct
    {
        const char* what;
        QByteArray data;
    } cases[] = {
        { "empty", QByteArray() },
        { "plain HTML without the signature", QByteArray(good).replace("<!-- Quorvane help file -->", "") },
        { "signature but no topics", QByteArray("<!-- Quorvane help file --><p>nothing</p>") },
        { "a topic without id", QByteArray(good).replace("id=\"main\"", "") },
        { "a topic without title", QByteArray(good).replace("title=\"Main\"", "") },
        { "not UTF-8", QByteArray(good).replace("more", "m\xff\xfe") },
        { "signature too far in", QByteArray(600, ' ') + good },
    };
    for (const auto& c : cases)
        EXPECT_FALSE(HelpFile::parse(c.data)) << c.what;
}

TEST(HelpFile, ReadFailsOnMissingOrUnreadablePaths)
{
    QTemporaryDir dir;
    EXPECT_FALSE(HelpFile::read(dir.filePath(QStringLiteral("Quorvane.hlp")).toStdString()));
    EXPECT_FALSE(HelpFile::read(dir.path().toStdString())); // a directory
    const std::string path = writefile(dir, "Quorvane.hlp", SmallHelp);
    EXPECT_TRUE(HelpFile::read(path));
}

TEST(HelpViewerWindow, OpensAtTheKeywordsTopicAndFollowsLinks)
{
    QTemporaryDir dir;
    const std::string path = writefile(dir, "Quorvane.hlp", SmallHelp);
    HelpViewerWindow viewer;
    ASSERT_TRUE(openandwait(viewer, path, QStringLiteral("Main")));
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("main"));
    auto* text = viewer.findChild<QTextBrowser*>(QStringLiteral("HelpText"));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("The main topic.")));
    EXPECT_FALSE(text->toPlainText().contains(QStringLiteral("Select and Exit")));

    auto* back = viewer.findChild<QPushButton*>(QStringLiteral("HelpBack"));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->isEnabled());
    viewer.followlink(QUrl(QStringLiteral("#file-menu")));
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("file-menu"));
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Select and Exit & more.")));
    EXPECT_TRUE(back->isEnabled());

    // Links to other places and to topics the file lacks change nothing.
    viewer.followlink(QUrl(QStringLiteral("https://example.org/")));
    viewer.followlink(QUrl(QStringLiteral("#nowhere")));
    viewer.followlink(QUrl(QStringLiteral("other.hlp#main")));
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("file-menu"));

    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("main"));
    EXPECT_FALSE(back->isEnabled());
    QTest::mouseClick(viewer.findChild<QPushButton*>(QStringLiteral("HelpContents")), Qt::LeftButton);
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("contents"));

    // An unknown keyword opens the contents topic.
    ASSERT_TRUE(openandwait(viewer, path, QStringLiteral("No Such Topic")));
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("contents"));
}

TEST(HelpViewerWindow, ClickingALinkInTheTextShowsItsTopic)
{
    QTemporaryDir dir;
    const std::string path = writefile(dir, "Quorvane.hlp", SmallHelp);
    HelpViewerWindow viewer;
    ASSERT_TRUE(openandwait(viewer, path, QStringLiteral("Main")));
    auto* text = viewer.findChild<QTextBrowser*>(QStringLiteral("HelpText"));
    // Find where the link text is drawn and click there.
    QTextCursor found = text->document()->find(QStringLiteral("File Menu"));
    ASSERT_FALSE(found.isNull());
    QTextCursor inside(text->document());
    inside.setPosition(found.selectionStart() + 2);
    const QPoint at = text->cursorRect(inside).center();
    QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("file-menu"));
}

TEST(HelpViewerWindow, FailsWithoutAWindowOnBadFiles)
{
    QTemporaryDir dir;
    const std::string missing = dir.filePath(QStringLiteral("Quorvane.hlp")).toStdString();
    const std::string wrong = writefile(dir, "wrong.hlp", "<html><body><p>Some other page</p></body></html>");
    HelpViewerWindow viewer;
    EXPECT_FALSE(openandwait(viewer, missing, QStringLiteral("Main")));
    EXPECT_FALSE(openandwait(viewer, wrong, QStringLiteral("Main")));
    EXPECT_FALSE(openandwait(viewer, dir.path().toStdString(), QStringLiteral("Main")));
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_TRUE(viewer.currenttopic().isEmpty());
}

TEST(HelpViewerWindow, AFileThatDoesNotAnswerLeavesTheWindowFree)
{
    // A FIFO is read only once something writes to it, like a file on a mount that does not answer.
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Quorvane.hlp")).toStdString();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    HelpViewerWindow viewer;
    std::optional<bool> answer;
    viewer.open(path, QStringLiteral("Main"), [&](bool shown) { answer = shown; });
    // open() has come back while the read waits; only now is the file written.
    EXPECT_FALSE(answer.has_value());
    std::thread writer([&] {
        const int fd = ::open(path.c_str(), O_WRONLY);
        EXPECT_EQ(::write(fd, SmallHelp, std::strlen(SmallHelp)), static_cast<ssize_t>(std::strlen(SmallHelp)));
        ::close(fd);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }));
    writer.join();
    EXPECT_TRUE(answer.value_or(false));
    EXPECT_EQ(viewer.currenttopic(), QStringLiteral("main"));
}

TEST(HelpViewerWindow, TakesInputWhileAModalDialogRuns)
{
    QTemporaryDir dir;
    const std::string path = writefile(dir, "Quorvane.hlp", SmallHelp);
    QWidget owner;
    owner.show();
    HelpViewerWindow viewer(&owner);
    QDialog modal(&owner);
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    ASSERT_EQ(QGuiApplication::modalWindow(), modal.windowHandle());
    ASSERT_TRUE(openandwait(viewer, path, QStringLiteral("File Menu")));
    // Qt blocks every window that is not the modal one or transient for it.
    EXPECT_TRUE(modal.windowHandle()->isAncestorOf(viewer.windowHandle(), QWindow::IncludeTransients));

    modal.hide();
    ASSERT_EQ(QGuiApplication::modalWindow(), nullptr);
    ASSERT_TRUE(openandwait(viewer, path, QStringLiteral("Main")));
    EXPECT_EQ(viewer.windowHandle()->transientParent(), owner.windowHandle());
}

// The help file the program ships.
TEST(ShippedHelpFile, OpensAtEveryCallersKeywordAndEveryLinkLeadsToATopic)
{
    const auto file = HelpFile::read(QV_SHIPPED_HELP);
    ASSERT_TRUE(file);
    const auto& topics = file->topics();
    EXPECT_EQ(topics[0].id, QStringLiteral("contents"));
    const struct
    {
        const char* keyword;
        const char* id;
    } callers[]
        = { { "Main", "main" }, { "File Menu", "file-menu" }, { "Change Colour Range", "change-colour-range" } };
    for (const auto& c : callers)
        EXPECT_EQ(topics[static_cast<std::size_t>(file->topicforkeyword(QString::fromUtf8(c.keyword)))].id,
            QString::fromUtf8(c.id))
            << c.keyword;

    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    QStringList fromcontents;
    for (const HelpTopic& t : topics) {
        for (auto it = href.globalMatch(t.html); it.hasNext();) {
            const QString target = it.next().captured(1);
            ASSERT_TRUE(target.startsWith(QLatin1Char('#'))) << t.id.toStdString() << ": " << target.toStdString();
            EXPECT_GE(file->topicbyid(target.mid(1)), 0) << t.id.toStdString() << ": " << target.toStdString();
            if (&t == &topics[0])
                fromcontents << target.mid(1);
        }
    }
    for (std::size_t i = 1; i < topics.size(); ++i)
        EXPECT_TRUE(fromcontents.contains(topics[i].id)) << "not in the contents: " << topics[i].id.toStdString();

    // What the manual must explain, by the words a reader looks for.
    QString all;
    for (const HelpTopic& t : topics)
        all += QTextDocumentFragment::fromHtml(t.html).toPlainText() + QLatin1Char('\n');
    for (const char* phrase : { "Links are not followed", "Mount points are not entered", "Hard links count once",
             "Sparse files count at their nominal size", "clusters", "What if", "Square brackets", "Round brackets",
             "Directory Scan Aborted", "Scan Complete Preparing Display...", "Freespace on Drive", "Processed", "Stop",
             "legend", "Space Used", "Modified", "Find Help", "HelpDirectory" })
        EXPECT_TRUE(all.contains(QString::fromUtf8(phrase), Qt::CaseInsensitive)) << phrase;
}

TEST(ShippedHelpFile, IsCopiedNextToTheProgram)
{
    QFile source(QStringLiteral(QV_SHIPPED_HELP)), copy(QStringLiteral(QV_PROGRAM_HELP));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << QV_PROGRAM_HELP;
    EXPECT_EQ(source.readAll(), copy.readAll());
}
