// The developer tool quorvane-scan, run as a program on real trees.
#include "TempTree.h"

#include <QProcess>
#include <QStandardPaths>

using qv::test::TempTree;

namespace {

struct ToolRun
{
    int exitcode = -1;
    std::string out, err;
};

ToolRun runtool(const std::string& cwd, const QStringList& args, const QString& program = QStringLiteral(QV_SCAN_TOOL))
{
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(cwd));
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
        p.readAllStandardError().toStdString() };
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> all;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        all.push_back(text.substr(start, nl - start));
    EXPECT_EQ(start, text.size()) << "output does not end with a newline";
    return all;
}

// One output line: level, state image, then the label's name field (name, a blank, dots up to W - d
// characters), then its figures.
std::string line(int level, int colour, const std::string& name, int W, const std::string& figures)
{
    return std::to_string(level) + "\t" + std::to_string(colour) + "\t" + name + " "
        + std::string(static_cast<std::size_t>(W - 2 * level) - name.size(), '.') + figures;
}

// t: docs/ (a.txt 5000 bytes, B.TXT 100 bytes, empty/), Makefile (1 byte), big.iso (2 MiB).
void maketree(TempTree& t)
{
    t.dir("t");
    t.dir("t/docs");
    t.file("t/docs/a.txt", 5000, true);
    t.file("t/docs/B.TXT", 100, true);
    t.dir("t/docs/empty");
    t.file("t/Makefile", 1, true);
    t.file("t/big.iso", 2 << 20);
}

} // namespace

TEST(ScanTool, PrintsEveryRecordInTreeOrder)
{
    TempTree t;
    maketree(t);
    const ToolRun r = runtool(t.root(), { "t/" }); // the volume here has 4096-byte clusters
    EXPECT_EQ(r.exitcode, 0);
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> expected = {
        line(0, 4, "t", 32, "..[    4,      2.0MB,      2.0MB,      2.0MB]"),
        line(1, 2, "docs", 32, "..(    2,        5KB,       12KB,       12KB)"),
        line(2, 1, "empty", 32, "..(    0,        0KB,        0KB,        0KB)"),
        line(2, 2, "*.TXT", 32, "..(    2,        5KB,       12KB,       12KB)"),
        line(1, 1, "*.", 32, "..(    1,        0KB,        4KB,        4KB)"), // 0.5 KB shows as 0
        line(1, 4, "*.ISO", 32, "..[    1,      2.0MB,      2.0MB,      2.0MB]"),
    };
    EXPECT_EQ(lines(r.out), expected);
}

TEST(ScanTool, ClusterAndWhatIfOptions)
{
    TempTree t;
    maketree(t);
    const ToolRun r = runtool(t.root(), { "--cluster", "512", "--whatif", "1", "t/docs" });
    EXPECT_EQ(r.exitcode, 0);
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 3u);
    // a.txt: 5120 and 5120; B.TXT: 512 and 1024.
    EXPECT_EQ(out[0], line(0, 1, "t/docs", 32, "..(    2,        5KB,        6KB,        6KB)"));
    EXPECT_EQ(out[2], line(1, 1, "*.TXT", 32, "..(    2,        5KB,        6KB,        6KB)"));
}

TEST(ScanTool, StatusTextsOnStandardError)
{
    TempTree t;
    maketree(t);
    const ToolRun r = runtool(t.root(), { "--status", "t" });
    EXPECT_EQ(r.exitcode, 0);
    EXPECT_EQ(r.err, "status: t/docs\nstatus: t/docs/empty\nstatus: t/docs/empty\nstatus: t/docs\n");
    EXPECT_EQ(lines(r.out).size(), 6u);

    // Names as display text: one line each, U+FFFD for a newline and for a byte that is not UTF-8.
    t.dir("t/two\nlines\xff");
    const ToolRun odd = runtool(t.root(), { "--status", "t" });
    EXPECT_NE(odd.err.find("status: t/two\xef\xbf\xbdlines\xef\xbf\xbd\n"), std::string::npos) << odd.err;
    EXPECT_EQ(odd.err.find("two\n"), std::string::npos);
}

TEST(ScanTool, UnlistablePathStillScans)
{
    TempTree t;
    const ToolRun r = runtool(t.root(), { "missing" });
    EXPECT_EQ(r.exitcode, 0);
    EXPECT_EQ(r.err, "\ndirwalk function: can't open missing\n");
    EXPECT_EQ(lines(r.out),
        std::vector<std::string> { line(0, 1, "missing", 32, "..(    0,        0KB,        0KB,        0KB)") });
}

TEST(ScanTool, BadArgumentsGiveUsage)
{
    TempTree t;
    const QStringList cases[] = {
        {},
        { "--cluster" },
        { "--cluster", "0", "." },
        { "--cluster", "4k", "." },
        { "--whatif", "-1", "." },
        { "--whatif", "", "." },
        { "--frob", "." },
        { ".", "second" },
        { "--status" },
    };
    for (const QStringList& args : cases) {
        const ToolRun r = runtool(t.root(), args);
        EXPECT_NE(r.exitcode, 0) << args.join(' ').toStdString();
        EXPECT_NE(r.err.find("usage: quorvane-scan"), std::string::npos) << args.join(' ').toStdString();
        EXPECT_EQ(r.out, "") << args.join(' ').toStdString();
    }
}

// As root nothing is unreadable, so these run the tool as the unprivileged user nobody.
TEST(ScanTool, UnreadableDirectoriesAsAnUnprivilegedUser)
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        GTEST_SKIP() << "setpriv is not installed";
    TempTree t;
    maketree(t);
    t.dir("t/locked");
    t.file("t/locked/secret.txt", 100);
    t.lock("t/locked");
    const QStringList asnobody = { "--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(QV_SCAN_TOOL) };

    const ToolRun probe = runtool(t.root(), asnobody + QStringList { "t/docs" }, setpriv);
    if (probe.exitcode != 0)
        GTEST_SKIP() << "cannot run the tool as nobody here: " << probe.err;

    const ToolRun r = runtool(t.root(), asnobody + QStringList { "--status", "t" }, setpriv);
    EXPECT_EQ(r.exitcode, 0);
    EXPECT_NE(r.err.find("\ndirwalk function: can't open t/locked\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("status: t/locked\n"), std::string::npos) << r.err;
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0], line(0, 4, "t", 32, "..[    4,      2.0MB,      2.0MB,      2.0MB]")); // secret.txt not seen
    EXPECT_EQ(out[4], line(1, 1, "locked", 32, "..(    0,        0KB,        0KB,        0KB)"));

    // The scan path itself unreadable: the diagnostic, then a root of zero files.
    const ToolRun root = runtool(t.root(), asnobody + QStringList { "t/locked" }, setpriv);
    EXPECT_EQ(root.exitcode, 0);
    EXPECT_EQ(root.err, "\ndirwalk function: can't open t/locked\n");
    EXPECT_EQ(lines(root.out),
        std::vector<std::string> { line(0, 1, "t/locked", 32, "..(    0,        0KB,        0KB,        0KB)") });
}
