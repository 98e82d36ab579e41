// The developer tool quorvane-scan, run as a program on real trees.
#include "TempTree.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

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

// The exchange file: what a scan prints equals what an import of an export of the same tree prints.
namespace {

// Runs programs as nobody where this machine lets us (as root nothing is unreadable), else as ourselves.
struct Runner
{
    QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    bool nobody = false;
    explicit Runner(const std::string& cwd)
    {
        if (!setpriv.isEmpty() && geteuid() == 0)
            nobody = runtool(cwd, prefix(QStringLiteral(QV_SCAN_TOOL)) + QStringList { "." }, setpriv).exitcode == 0;
    }
    QStringList prefix(const QString& program) const
    {
        return { "--reuid=65534", "--regid=65534", "--clear-groups", program };
    }
    ToolRun run(const std::string& cwd, const QString& program, const QStringList& args) const
    {
        return nobody ? runtool(cwd, prefix(program) + args, setpriv) : runtool(cwd, args, program);
    }
};

void save(const std::string& path, const std::string& text)
{
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
}

// Everything an export has to carry: names with a newline, bytes that are not UTF-8, a backslash, a
// 255-byte name, hard links, a symbolic link, a FIFO, empty and unreadable directories, and (where this
// machine lets us mount) a mount point. valid/ holds the names every writer keeps.
void makehostile(TempTree& t)
{
    t.dir("t");
    t.dir("t/valid");
    t.file("t/valid/two\nlines.txt", 1, true);
    t.file("t/valid/back\\slash.TXT", 2, true);
    t.file("t/valid/" + std::string(251, 'L') + ".dat", 5000, true);
    t.file("t/valid/linked.txt", 5, true);
    t.hardlink("t/valid/linked.txt", "t/valid/again.txt");
    t.symlink("linked.txt", "t/valid/link");
    t.fifo("t/valid/fifo");
    t.dir("t/valid/empty");
    t.dir("t/valid/sub");
    t.file("t/valid/sub/\"quoted\".c", 70000);
    t.file("t/bad\xff\xfe.bin", 3, true);
    t.file("t/ctl\x01\x1f.txt", 4, true);
    t.dir("t/locked");
    t.file("t/locked/secret.txt", 100);
    t.lock("t/locked");
    t.dir("t/mnt");
    if (t.mounttmpfs("t/mnt"))
        t.file("t/mnt/inside.txt", 10, true);
}

} // namespace

TEST(ScanTool, ImportOfAnExportPrintsTheScan)
{
    TempTree t;
    makehostile(t);
    const Runner as(t.root());
    const QString tool = QStringLiteral(QV_SCAN_TOOL);
    const QString d = QString::fromStdString(t.at("t"));
    const ToolRun scan = as.run(t.root(), tool, { "--cluster", "4096", "--details", d });
    ASSERT_EQ(scan.exitcode, 0);
    if (as.nobody)
        EXPECT_NE(scan.err.find("can't open " + t.at("t/locked") + "\n"), std::string::npos);

    const ToolRun ours = as.run(t.root(), tool, { "--cluster", "4096", "--export", "-", d });
    ASSERT_EQ(ours.exitcode, 0);
    EXPECT_EQ(ours.err, scan.err);
    save(t.at("ours.json"), ours.out);
    // Names go out byte for byte, only what JSON needs escaped.
    EXPECT_NE(ours.out.find("\"name\":\"bad\xff\xfe.bin\""), std::string::npos);
    EXPECT_NE(ours.out.find("\"name\":\"ctl\\u0001\\u001f.txt\""), std::string::npos);
    EXPECT_NE(ours.out.find("\"name\":\"two\\u000alines.txt\""), std::string::npos);
    EXPECT_NE(ours.out.find("\"name\":\"back\\\\slash.TXT\""), std::string::npos);
    EXPECT_NE(ours.out.find("\"name\":\"\\\"quoted\\\".c\""), std::string::npos);

    const ToolRun back = runtool(t.root(), { "--cluster", "4096", "--details", "--import", "ours.json" });
    EXPECT_EQ(back.exitcode, 0);
    EXPECT_EQ(back.out, scan.out);
    EXPECT_EQ(back.err, scan.err); // the unreadable directory's diagnostic, as the scan gave it

    // Without --cluster the import takes the export's own; gzip, zstd and standard input read the same.
    EXPECT_EQ(runtool(t.root(), { "--details", "--import", "ours.json" }).out, scan.out);
    for (const auto& [packer, file] : { std::pair { "gzip", "ours.json.gz" }, std::pair { "zstd", "ours.json.zst" } }) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(packer));
        if (program.isEmpty())
            continue;
        save(t.at(file), runtool(t.root(), { "-c", "ours.json" }, program).out);
        EXPECT_EQ(runtool(t.root(), { "--details", "--import", file }).out, scan.out) << packer;
    }
    QProcess stdinrun;
    stdinrun.setStandardInputFile(QString::fromStdString(t.at("ours.json")));
    stdinrun.start(tool, { "--import", "-" });
    ASSERT_TRUE(stdinrun.waitForFinished(60000));
    EXPECT_EQ(stdinrun.exitCode(), 0);
    const std::string piped = stdinrun.readAllStandardOutput().toStdString();
    EXPECT_EQ(piped, runtool(t.root(), { "--import", "ours.json" }).out);

    // ncdu's export of the same tree (one file system, as the walk stays on one), and ncdu reading ours.
    const QString ncdu = QStandardPaths::findExecutable(QStringLiteral("ncdu"));
    if (!ncdu.isEmpty()) {
        const ToolRun theirs = as.run(t.root(), ncdu, { "--ignore-config", "-0", "-x", "-o", "-", d });
        ASSERT_EQ(theirs.exitcode, 0) << theirs.err;
        save(t.at("ncdu.json"), theirs.out);
        const ToolRun imported = runtool(t.root(), { "--cluster", "4096", "--import", "ncdu.json" });
        EXPECT_EQ(imported.exitcode, 0) << imported.err;
        EXPECT_EQ(imported.out, runtool(t.root(), { "--import", "ncdu.json" }).out); // 4096 derived from the file
        const ToolRun plain = as.run(t.root(), tool, { "--cluster", "4096", d });
        EXPECT_EQ(imported.out, plain.out);
        const ToolRun reread
            = runtool(t.root(), { "--ignore-config", "-f", "ours.json", "-0", "-o", "/dev/null" }, ncdu);
        EXPECT_EQ(reread.exitcode, 0);
        EXPECT_EQ(reread.err, "");
    }
}

TEST(ScanTool, GduReadsOursAndWeReadGdus)
{
    const QString gdu = QStandardPaths::findExecutable(QStringLiteral("gdu"));
    if (gdu.isEmpty())
        GTEST_SKIP() << "gdu is not installed";
    TempTree t;
    makehostile(t);
    const QString d = QString::fromStdString(t.at("t/valid")); // gdu keeps only valid UTF-8 names
    const ToolRun scan = runtool(t.root(), { "--cluster", "4096", d });
    const ToolRun theirs = runtool(t.root(), { "-n", "-x", "-o", "-", d }, gdu);
    ASSERT_EQ(theirs.exitcode, 0) << theirs.err;
    save(t.at("gdu.json"), theirs.out);
    const ToolRun imported = runtool(t.root(), { "--cluster", "4096", "--import", "gdu.json" });
    EXPECT_EQ(imported.exitcode, 0) << imported.err;
    EXPECT_EQ(imported.out, scan.out);

    const ToolRun ours = runtool(t.root(), { "--export", "-", QString::fromStdString(t.at("t")) });
    save(t.at("ours.json"), ours.out);
    const ToolRun reread = runtool(t.root(), { "-f", "ours.json", "-n", "-p" }, gdu);
    EXPECT_EQ(reread.exitcode, 0) << reread.err;
    EXPECT_EQ(reread.err, "");
    EXPECT_NE(reread.out.find("valid"), std::string::npos) << reread.out;
}

TEST(ScanTool, BrokenExportGivesOneLineAndNoTree)
{
    TempTree t;
    save(t.at("cut.json"), "[1,2,{\"progname\":\"x\"},\n[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":1}");
    const ToolRun cut = runtool(t.root(), { "--import", "cut.json" });
    EXPECT_EQ(cut.exitcode, 2);
    EXPECT_EQ(cut.err, "quorvane-scan: cut.json: at byte 60: truncated\n");
    EXPECT_EQ(cut.out, "");
    const ToolRun missing = runtool(t.root(), { "--import", "none.json" });
    EXPECT_EQ(missing.exitcode, 2);
    EXPECT_EQ(missing.err, "quorvane-scan: none.json: at byte 0: can't open it: No such file or directory\n");
    for (const QStringList& args :
        { QStringList { "--import", "a", "dir" }, QStringList { "--import", "a", "--export", "b" },
            QStringList { "--details", "--import", "-" }, QStringList { "--export" } }) {
        const ToolRun r = runtool(t.root(), args);
        EXPECT_EQ(r.exitcode, 2) << args.join(' ').toStdString();
        EXPECT_NE(r.err.find("usage: quorvane-scan"), std::string::npos);
    }
}
