#include "DisplayText.h"

#include "PathJoin.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qv;

TEST(DisplayText, DecodesAndReplaces)
{
    struct Case
    {
        std::string bytes;
        std::u32string shown;
    };
    const char32_t R = 0xFFFD;
    const Case cases[] = {
        { "", U"" },
        { "plain.txt", U"plain.txt" },
        { "\xc3\xa9t\xc3\xa9", U"\u00e9t\u00e9" },
        { "\xe2\x82\xac", U"\u20ac" },
        { "\xf0\x9f\x98\x80x", U"\U0001F600x" }, // outside the BMP: a surrogate pair in the QString
        { std::string("a\nb\tc\rd\x7f", 8), std::u32string { 'a', R, 'b', R, 'c', R, 'd', R } },
        { std::string("nul\0x", 5), std::u32string { 'n', 'u', 'l', R, 'x' } },
        { "c1\xc2\x85", std::u32string { 'c', '1', R } }, // U+0085, a C1 control
        { "\xc2\xa0", U"\u00a0" }, // the first character past C1
        { "bad\xff\xfe", std::u32string { 'b', 'a', 'd', R, R } },
        { "\xc0\x80", std::u32string { R, R } }, // overlong
        { "\xe0\x80\xaf", std::u32string { R, R, R } }, // overlong three bytes
        { "\xed\xa0\x80", std::u32string { R, R, R } }, // a surrogate
        { "\xf4\x90\x80\x80", std::u32string { R, R, R, R } }, // above U+10FFFF
        { "\xe2\x82", std::u32string { R, R } }, // cut short
        { "\xe2(x", std::u32string { R, '(', 'x' } },
        { "\x80start", std::u32string { R, 's', 't', 'a', 'r', 't' } },
    };
    for (const Case& c : cases) {
        const QString expected = QString::fromUcs4(c.shown.data(), static_cast<qsizetype>(c.shown.size()));
        EXPECT_EQ(displaytext(c.bytes), expected) << c.bytes;
        EXPECT_EQ(displaylength(c.bytes), static_cast<int>(c.shown.size())) << c.bytes;
    }
}

TEST(PathJoin, JoinsWithOneSeparator)
{
    EXPECT_EQ(joinpath("/", "etc"), "/etc");
    EXPECT_EQ(joinpath("/data", "x.txt"), "/data/x.txt");
    EXPECT_EQ(joinpath("/data/", "x"), "/data/x");
    EXPECT_EQ(joinpath("", "x"), "/x");
    EXPECT_EQ(joinpath("rel", "a\\b"), "rel/a\\b");
    EXPECT_EQ(joinpath("/d", std::string_view("n\0l", 3)), std::string("/d/n\0l", 6));
}

TEST(PathJoin, RootNameDropsOneTrailingSeparator)
{
    EXPECT_EQ(rootname("/"), "/");
    EXPECT_EQ(rootname("/data/"), "/data");
    EXPECT_EQ(rootname("/data"), "/data");
    EXPECT_EQ(rootname("/data//"), "/data/");
    EXPECT_EQ(rootname("t/"), "t");
    EXPECT_EQ(rootname(""), "");
}

TEST(PathJoin, ParentLeafAndNormalForm)
{
    const std::vector<std::vector<std::string>> cases = { // path, parent, leaf
        { "/", "/", "" }, { "/etc", "/", "etc" }, { "/a/b", "/a", "b" }, { "/a/b/", "/a/b", "" },
        { "name", ".", "name" }, { "", ".", "" }
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parentpath(c[0]), c[1]) << c[0];
        EXPECT_EQ(leafname(c[0]), c[2]) << c[0];
    }
    const std::vector<std::pair<std::string, std::string>> normal
        = { { "/", "/" }, { "//", "/" }, { "/a/", "/a" }, { "/a//b///", "/a/b" }, { "", "" } };
    for (const auto& [in, out] : normal)
        EXPECT_EQ(normalisedpath(in), out) << in;
}

TEST(PathJoin, AtOrUnderEndsAtASeparator)
{
    const struct
    {
        const char* path;
        const char* dir;
        bool under;
    } cases[] = {
        { "/data", "/data", true },
        { "/data/a/b", "/data", true },
        { "/database", "/data", false },
        { "/dat", "/data", false },
        { "/", "/", true },
        { "/anything", "/", true },
        { "", "/", false },
        { "relative", "/", false },
        { "/", "/data", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(pathatorunder(c.path, c.dir), c.under) << c.path << " in " << c.dir;
}

TEST(PathJoin, CurrentDirectoryOrTheFallback)
{
    const QTemporaryDir tmp;
    const std::string start = currentdirectory();
    ASSERT_EQ(::chdir(tmp.path().toLocal8Bit().constData()), 0);
    EXPECT_EQ(currentdirectory(), QFileInfo(tmp.path()).canonicalFilePath().toStdString());
    ASSERT_EQ(::rmdir(tmp.path().toLocal8Bit().constData()), 0); // a current directory that is gone
    EXPECT_EQ(currentdirectory("/"), "/");
    EXPECT_EQ(currentdirectory(), "");
    ASSERT_EQ(::chdir(start.c_str()), 0);
}
