// quorvane-scan --details: each group's detail list after its line, as the program's list shows it.
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class DetailsToolTest : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    std::string root = tmp.path().toStdString();

    void file(const std::string& rel, off_t size, std::int64_t mtime = 946683000) // 1999-12-31 23:30 UTC
    {
        const std::string path = root + "/" + rel;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << rel;
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        const timespec times[2] = { { mtime, 0 }, { mtime, 0 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    void dir(const std::string& rel) { ASSERT_EQ(::mkdir((root + "/" + rel).c_str(), 0755), 0) << rel; }

    // The tool's output split into lines.
    std::vector<std::string> run(const QStringList& args)
    {
        QProcess p;
        p.setWorkingDirectory(tmp.path());
        p.start(QStringLiteral(QV_SCAN_TOOL), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_EQ(p.readAllStandardError().toStdString(), "");
        const std::string out = p.readAllStandardOutput().toStdString();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
            lines.push_back(out.substr(start, nl - start));
        EXPECT_EQ(start, out.size());
        return lines;
    }
    // The lines that follow the record line whose label starts with name, up to the next record line.
    static std::vector<std::string> after(const std::vector<std::string>& lines, const std::string& name)
    {
        std::vector<std::string> rows;
        bool in = false;
        for (const std::string& l : lines) {
            if (l.rfind('\t', 0) != 0) {
                const std::size_t tab = l.find('\t', l.find('\t') + 1);
                in = l.compare(tab + 1, name.size() + 1, name + " ") == 0;
            } else if (in) {
                rows.push_back(l);
            }
        }
        return rows;
    }
    static std::string row(const std::string& name, int size, int space, int whatif, int colour)
    {
        char text[256];
        std::snprintf(text, sizeof text, "\t%s\t%10dKB\t%10dKB\t%10dKB\t31/12/1999 23:30\t%d", name.c_str(), size,
            space, whatif, colour);
        return text;
    }
};

TEST_F(DetailsToolTest, EveryGroupIsFollowedByItsSortedRows)
{
    dir("t");
    dir("t/docs");
    dir("t/docs/notes.txt"); // a directory named like the group: not a row
    file("t/docs/Banana.txt", 5000);
    file("t/docs/apple.TXT", 100);
    file("t/docs/cherry.txt", 20000);
    file("t/Makefile", 1);
    file("t/trailing.", 1025);
    file("t/big.iso", 11 << 20);
    const auto lines = run({ "--details", "--cluster", "4096", "--whatif", "16", "t" });
    EXPECT_EQ(after(lines, "*.TXT"),
        (std::vector<std::string> {
            row("apple.TXT", 1, 4, 16, 1), // 100 bytes: 0.6 KB
            row("Banana.txt", 5, 8, 16, 1),
            row("cherry.txt", 20, 20, 32, 2),
        }));
    EXPECT_EQ(
        after(lines, "*."), (std::vector<std::string> { row("Makefile", 0, 4, 16, 1), row("trailing.", 2, 4, 16, 1) }));
    EXPECT_EQ(after(lines, "*.ISO"), (std::vector<std::string> { row("big.iso", 11264, 11264, 11264, 5) }));
    EXPECT_TRUE(after(lines, "docs").empty()); // directories have no detail rows
    EXPECT_TRUE(after(lines, "notes.txt").empty());
}

TEST_F(DetailsToolTest, WithoutTheOptionNoRows)
{
    dir("t");
    file("t/a.txt", 1);
    for (const std::string& l : run({ "t" }))
        EXPECT_NE(l.rfind('\t', 0), 0u) << l;
}

} // namespace
