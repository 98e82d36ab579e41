#include "SizeText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace qv {
namespace {

bool whole(double x, std::uint64_t& v)
{
    if (!(x >= 0 && x < 9007199254740992.0) || x != std::floor(x) || std::signbit(x)) // printf shows "-0"
        return false;
    v = static_cast<std::uint64_t>(x);
    return true;
}

// v / 2^shift rounded to the nearest integer, an exact half to the even one.
std::uint64_t rounded(std::uint64_t v, int shift)
{
    if (shift == 0)
        return v;
    const std::uint64_t q = v >> shift, r = v & ((1ull << shift) - 1), half = 1ull << (shift - 1);
    return q + (r > half || (r == half && (q & 1)));
}

// v right-aligned in width characters at out; with tenths, v counts tenths and shows as "<v/10>.<v%10>".
int digits(std::uint64_t v, int width, bool tenths, char* out)
{
    char text[32];
    char* end = text + sizeof text;
    char* p = end;
    if (tenths) {
        *--p = static_cast<char>('0' + v % 10);
        *--p = '.';
        v /= 10;
    }
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (end - p < width)
        *--p = ' ';
    int n = 0;
    while (p < end)
        out[n++] = *p++;
    return n;
}

// "%<width>.<0 or 1>f" of x / 2^shift at out (FigureMax characters).
int figure(double x, int shift, bool tenths, int width, char* out)
{
    std::uint64_t v;
    if (whole(x, v))
        return digits(tenths ? rounded(v * 10, shift) : rounded(v, shift), width, tenths, out);
    char text[FigureMax + 1];
    const int n
        = std::snprintf(text, sizeof text, "%*.*f", width, tenths ? 1 : 0, x / static_cast<double>(1ull << shift));
    const int kept = n < 0 ? 0 : (n < FigureMax ? n : FigureMax);
    for (int k = 0; k < kept; ++k)
        out[k] = text[k];
    return kept;
}

QString kbtext(double x, int width)
{
    char text[FigureMax + 2];
    int n = figure(x, 10, false, width, text);
    text[n++] = 'K';
    text[n++] = 'B';
    return QString::fromLatin1(text, n);
}

} // namespace

int labelkb(double bytes, char* out)
{
    return figure(bytes + 511, 10, false, 9, out);
}

int labelmb(double bytes, char* out)
{
    return figure(bytes, 20, true, 9, out);
}

QString detailkbtext(double bytes)
{
    return kbtext(bytes + 511, 10);
}

QString rangeedittext(double bytes)
{
    return kbtext(bytes, 9);
}

QString legendkbtext(double bytes)
{
    return kbtext(bytes, 15);
}

std::string freespacetext(const std::string& root, double bytes)
{
    char text[FigureMax];
    return "Freespace on Drive " + root + " is " + std::string(text, labelmb(bytes, text)) + "MB";
}

std::string storedrangetext(int colour, double bytes)
{
    char text[FigureMax];
    return std::to_string(colour) + '\\' + std::string(text, figure(bytes, 0, false, 15, text));
}

} // namespace qv
