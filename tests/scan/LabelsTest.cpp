#include "Labels.h"

#include "RecordArena.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace qv;

namespace {

// The figures as the label rules put them, through printf.
std::string reference(std::uint32_t count, double bytes, double space, double whatif)
{
    char text[1400];
    if (bytes > 1048065)
        std::snprintf(text, sizeof text, "..[%5u,%9.1fMB,%9.1fMB,%9.1fMB]", count, bytes / 1048576, space / 1048576,
            whatif / 1048576);
    else
        std::snprintf(text, sizeof text, "..(%5u,%9.0fKB,%9.0fKB,%9.0fKB)", count, (bytes + 511) / 1024,
            (space + 511) / 1024, (whatif + 511) / 1024);
    return text;
}

std::string label(std::string_view name, int d, int W, std::uint32_t count, double bytes, double space, double whatif)
{
    static RecordArena arena; // one arena for all: a record is only read here
    dirrec* r = arena.make(name, KindGroup);
    r->count = count;
    r->bytes = bytes;
    r->space = space;
    r->whatif = whatif;
    return buildlabel(*r, d, W).toStdString();
}

} // namespace

TEST(Labels, Examples)
{
    const std::string dots23(23, '.');
    EXPECT_EQ(label("Windows", 2, 32, 512, 123456789, 130000000, 128000000),
        "Windows " + dots23 + "..[  512,    117.7MB,    124.0MB,    122.1MB]");
    EXPECT_EQ(label("*.TXT", 4, 32, 3, 5000, 12288, 12288),
        "*.TXT " + dots23 + "..(    3,        5KB,       12KB,       12KB)");
    EXPECT_EQ(label("g", 2, 32, 1, 1048065, 0, 0),
        "g " + std::string(29, '.') + "..(    1,     1024KB,        0KB,        0KB)");
    EXPECT_EQ(label("g", 2, 32, 1, 1048066, 0, 0),
        "g " + std::string(29, '.') + "..[    1,      1.0MB,      0.0MB,      0.0MB]");
    // An exact half goes to the even neighbour: 0.5 KB shows as 0, 2.5 KB as 2, 3.5 KB as 4.
    EXPECT_EQ(label("h", 0, 32, 1, 1, 2049, 3073),
        "h " + std::string(31, '.') + "..(    1,        0KB,        2KB,        4KB)");
    // 1.25 and 1.75 MB exactly: 1.2 and 1.8; 0.05 MB is not exact in binary and rounds as its value does.
    EXPECT_EQ(label("m", 0, 32, 7, 1310720, 1835008, 52429),
        "m " + std::string(31, '.') + "..[    7,      1.2MB,      1.8MB,      0.1MB]");
}

TEST(Labels, NameField)
{
    const std::string figs = "..(    0,        0KB,        0KB,        0KB)";
    EXPECT_EQ(label("abcdefgh", 26, 32, 0, 0, 0, 0), "abcdef*" + figs); // cut to W - d characters
    EXPECT_EQ(label("abcdef", 26, 32, 0, 0, 0, 0), "abcdef " + figs); // exactly W - d: no dots
    EXPECT_EQ(label("abc", 32, 32, 0, 0, 0, 0), "*" + figs);
    EXPECT_EQ(label("abc", 34, 32, 0, 0, 0, 0), "*" + figs); // no room at all
    EXPECT_EQ(label("", 28, 32, 0, 0, 0, 0), " ...." + figs);
    // Characters, not bytes, are counted; control characters and bad bytes show as U+FFFD.
    EXPECT_EQ(label("\xc3\xa9t\xc3\xa9", 26, 32, 0, 0, 0, 0), "\u00e9t\u00e9 ..." + figs);
    EXPECT_EQ(label("a\nb\xff", 26, 32, 0, 0, 0, 0), "a\ufffdb\ufffd .." + figs);
    EXPECT_EQ(label("\xf0\x9f\x98\x80\xf0\x9f\x98\x80xyz", 28, 32, 0, 0, 0, 0), "\U0001F600\U0001F600xy*" + figs);
    EXPECT_EQ(label("tab\there~", 22, 32, 0, 0, 0, 0), "tab\ufffdhere~ ." + figs);
}

// The figures agree with printf for whole and fractional byte counts, exact halves, and sizes too large to
// be held exactly.
TEST(Labels, FiguresAgreeWithPrintf)
{
    std::mt19937_64 rnd(42);
    std::vector<double> values = { 0, 1, 511, 512, 513, 1023, 1024, 1048065, 1048066, 1048576, 9007199254740991.0,
        9007199254740992.0, 1e17, 1e300, 0.5, 1234.75, 4294967301.0 };
    for (int i = 0; i < 5000; ++i) {
        const int decades = static_cast<int>(rnd() % 16);
        values.push_back(std::floor(static_cast<double>(rnd() % 1000000007) * std::pow(10.0, decades - 6)));
        values.push_back(static_cast<double>((2 * (rnd() % 100000) + 1) * 262144)); // ties at one decimal of MB
        values.push_back(static_cast<double>((2 * (rnd() % 100000) + 1) * 512 - 511)); // ties at whole KB
    }
    for (std::size_t i = 0; i + 2 < values.size(); i += 3) {
        for (const double bytes : { values[i], values[i] / 1024 }) {
            const std::uint32_t count = static_cast<std::uint32_t>(rnd());
            const std::string expected
                = "x " + std::string(31, '.') + reference(count, bytes, values[i + 1], values[i + 2]);
            ASSERT_EQ(label("x", 0, 32, count, bytes, values[i + 1], values[i + 2]), expected) << bytes;
        }
    }
}

TEST(Labels, Width)
{
    EXPECT_EQ(labelwidth(0), 32);
    EXPECT_EQ(labelwidth(5), 32);
    EXPECT_EQ(labelwidth(6), 36);
    EXPECT_EQ(labelwidth(48), 120);
    EXPECT_EQ(labelwidth(2001), 120);
}
