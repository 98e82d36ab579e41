#include "SizeText.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace qv;

namespace {

std::string label(int (*figure)(double, char*), double bytes)
{
    char text[FigureMax];
    return std::string(text, figure(bytes, text));
}

// Each size text at the edges of its rounding: 511 and 512 bytes around the KB forms' half, exact halves
// (to the even neighbour), values not held exactly, and values far beyond a scan's.
TEST(SizeText, Boundaries)
{
    const double huge = 1e300;
    const std::string hugekb = std::to_string(huge / 1024).substr(0, std::to_string(huge / 1024).find('.'));
    const struct
    {
        double bytes;
        const char* labelkb;
        const char* detail;
        const char* rangeedit;
        const char* legend;
    } kb[] = {
        { 0, "        0", "         0KB", "        0KB", "              0KB" },
        { 1, "        0", "         0KB", "        0KB", "              0KB" }, // (1 + 511) / 1024 = 0.5
        { 511, "        1", "         1KB", "        0KB", "              0KB" },
        { 512, "        1", "         1KB", "        0KB", "              0KB" }, // 512 / 1024 = 0.5
        { 513, "        1", "         1KB", "        1KB", "              1KB" },
        { 1025, "        2", "         2KB", "        1KB", "              1KB" }, // 1.5 and 1.0009...
        { 1536, "        2", "         2KB", "        2KB", "              2KB" }, // 1536 / 1024 = 1.5
        { 2049, "        2", "         2KB", "        2KB", "              2KB" }, // (2049 + 511) / 1024 = 2.5
        { 2560, "        3", "         3KB", "        2KB", "              2KB" }, // 2560 / 1024 = 2.5
        { 0.5, "        0", "         0KB", "        0KB", "              0KB" },
        { 1023999487, "  1000000", "   1000000KB", "   999999KB", "         999999KB" }, // 999999 + 511/1024
        { 9007199254740991.0, "8796093022208", "8796093022208KB", "8796093022208KB", "  8796093022208KB" },
        { -0.0, "        0", "         0KB", "       -0KB", "             -0KB" },
    };
    for (const auto& c : kb) {
        EXPECT_EQ(label(labelkb, c.bytes), c.labelkb) << c.bytes;
        EXPECT_EQ(detailkbtext(c.bytes).toStdString(), c.detail) << c.bytes;
        EXPECT_EQ(rangeedittext(c.bytes).toStdString(), c.rangeedit) << c.bytes;
        EXPECT_EQ(legendkbtext(c.bytes).toStdString(), c.legend) << c.bytes;
    }
    EXPECT_EQ(rangeedittext(huge).toStdString(), hugekb + "KB");

    const struct
    {
        double bytes;
        const char* mb;
    } mb[] = {
        { 0, "      0.0" },
        { 52428, "      0.0" }, // 0.049999...
        { 52429, "      0.1" },
        { 262144, "      0.2" }, // 0.25 exactly
        { 786432, "      0.8" }, // 0.75 exactly
        { 1048576, "      1.0" },
        { 1572864, "      1.5" },
        { 123456789, "    117.7" },
        { 1e17, "95367431640.6" },
    };
    for (const auto& c : mb) {
        EXPECT_EQ(label(labelmb, c.bytes), c.mb) << c.bytes;
        EXPECT_EQ(freespacetext("/mnt/x", c.bytes), "Freespace on Drive /mnt/x is " + std::string(c.mb) + "MB");
    }

    EXPECT_EQ(storedrangetext(1, 10240), "1\\          10240");
    EXPECT_EQ(storedrangetext(8, 1024000000000000000.0), "8\\1024000000000000000");
    EXPECT_EQ(storedrangetext(3, 1.5), "3\\              2");
    EXPECT_EQ(storedrangetext(4, 2.5), "4\\              2");
}

// The integer path agrees with printf wherever it is taken, ties included.
TEST(SizeText, AgreesWithPrintf)
{
    std::mt19937_64 rnd(7);
    for (int i = 0; i < 20000; ++i) {
        const double bytes = static_cast<double>(rnd() >> (11 + rnd() % 50));
        char expected[FigureMax + 8];
        std::snprintf(expected, sizeof expected, "%10.0fKB", (bytes + 511) / 1024);
        ASSERT_EQ(detailkbtext(bytes).toStdString(), expected) << bytes;
        std::snprintf(expected, sizeof expected, "%9.0fKB", bytes / 1024);
        ASSERT_EQ(rangeedittext(bytes).toStdString(), expected) << bytes;
        std::snprintf(expected, sizeof expected, "%9.1f", bytes / 1048576);
        ASSERT_EQ(label(labelmb, bytes), expected) << bytes;
    }
}

} // namespace
