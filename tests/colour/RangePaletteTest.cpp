#include "RangePalette.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace qv;

namespace {

// Every disc, pixel by pixel: "#" the colour, "." white.
const std::vector<std::string> Disc = {
    "................",
    "................",
    "................",
    "......####......",
    ".....######.....",
    "....########....",
    "...##########...",
    "...##########...",
    "...##########...",
    "...##########...",
    "....########....",
    ".....######.....",
    "......####......",
    "................",
    "................",
    "................",
};

struct Rgb
{
    int r, g, b;
};

const Rgb Colours[] = {
    { 255, 255, 0 },
    { 0, 255, 255 },
    { 0, 255, 0 },
    { 255, 0, 255 },
    { 255, 0, 0 },
    { 0, 0, 255 },
    { 127, 127, 127 },
    { 0, 0, 0 },
};

void expectdisc(const QImage& image, const Rgb& c)
{
    ASSERT_EQ(image.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y) {
        std::string row;
        for (int x = 0; x < 16; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) != 255)
                row += 'a';
            else if (qRed(p) == c.r && qGreen(p) == c.g && qBlue(p) == c.b)
                row += '#';
            else if (p == qRgb(255, 255, 255))
                row += '.';
            else
                row += '?';
        }
        EXPECT_EQ(row, Disc[y]) << "row " << y;
    }
}

TEST(RangePalette, ColoursAreExact)
{
    for (int n = 1; n <= 8; ++n) {
        const Rgb& c = Colours[n - 1];
        EXPECT_EQ(RangePalette::colour(n), QColor(c.r, c.g, c.b)) << n;
        if (n != 7) {
            EXPECT_EQ(RangePalette::swatchcolour(n), QColor(c.r, c.g, c.b)) << n;
        }
    }
    EXPECT_EQ(RangePalette::swatchcolour(7), QColor(128, 128, 128));
    for (int n : { -1, 0, 9, 127 }) {
        EXPECT_FALSE(RangePalette::colour(n).isValid()) << n;
        EXPECT_TRUE(RangePalette::discimage(n).isNull()) << n;
    }
}

TEST(RangePalette, DiscImagesHaveTheExactPixelRows)
{
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        expectdisc(RangePalette::discimage(n), Colours[n - 1]);
    }
}

TEST(RangePalette, StateImagesAreIndexedByColourNumber)
{
    const QList<QImage> images = RangePalette::stateimages();
    ASSERT_EQ(images.size(), 9);
    expectdisc(images[0], Colours[0]); // yellow, never shown
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        expectdisc(images[n], Colours[n - 1]);
    }

    const QList<QIcon> icons = RangePalette::stateicons();
    ASSERT_EQ(icons.size(), 9);
    for (int n = 0; n <= 8; ++n) {
        SCOPED_TRACE(n);
        for (const QIcon::Mode mode : { QIcon::Normal, QIcon::Selected }) // selected, not tinted
            expectdisc(icons[n].pixmap(16, mode).toImage(), Colours[n == 0 ? 0 : n - 1]);
    }
}

} // namespace
