#include "Labels.h"

#include "DisplayText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace qv {

int labelwidth(int maxdepth)
{
    int w = 32;
    if (maxdepth > 5)
        w = 2 * maxdepth + 24;
    if (w > 120)
        w = 120;
    return w;
}

namespace {

// The figures of a label. A figure that is a whole number of bytes below 2^53 (every figure a scan
// makes) is formatted here, by integer arithmetic, exactly as printf would: its rounding is the exact
// value's, an exact half going to the even neighbour. Anything else goes through snprintf.
class Figures
{
public:
    // "%<width>u"
    void count(std::uint32_t n, int width) { digits(n, width, false); }
    // "%9.0f" of (x + 511) / 1024
    void kb(double x)
    {
        std::uint64_t v;
        if (whole(x + 511, v)) {
            digits(rounded(v, 10), 9, false);
        } else {
            char text[Fallback];
            append(text, std::snprintf(text, sizeof text, "%9.0f", (x + 511) / 1024));
        }
    }
    // "%9.1f" of x / 1048576
    void mb(double x)
    {
        std::uint64_t v;
        if (whole(x, v)) {
            digits(rounded(v * 10, 20), 9, true);
        } else {
            char text[Fallback];
            append(text, std::snprintf(text, sizeof text, "%9.1f", x / 1048576));
        }
    }
    void text(const char* s) { append(s, static_cast<int>(std::strlen(s))); }
    const char* data() const { return m_text; }
    int size() const { return m_size; }

private:
    static bool whole(double x, std::uint64_t& v)
    {
        if (!(x >= 0 && x < 9007199254740992.0) || x != std::floor(x))
            return false;
        v = static_cast<std::uint64_t>(x);
        return true;
    }
    // v / 2^shift rounded to the nearest integer, an exact half to the even one.
    static std::uint64_t rounded(std::uint64_t v, int shift)
    {
        const std::uint64_t q = v >> shift, r = v & ((1ull << shift) - 1), half = 1ull << (shift - 1);
        return q + (r > half || (r == half && (q & 1)));
    }
    // v right-aligned in width characters; with decimal, v counts tenths and shows as "<v/10>.<v%10>".
    void digits(std::uint64_t v, int width, bool decimal)
    {
        char text[32];
        char* end = text + sizeof text;
        char* p = end;
        if (decimal) {
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
        append(p, static_cast<int>(end - p));
    }
    void append(const char* s, int n)
    {
        n = std::max(0, std::min(n, Fallback - 1)); // snprintf reports what did not fit as well
        std::memcpy(m_text + m_size, s, static_cast<std::size_t>(n));
        m_size += n;
    }

    // The longest figure printf can make (the largest double in MB) has 310 characters.
    static constexpr int Fallback = 320;
    char m_text[4 * Fallback];
    int m_size = 0;
};

bool printableascii(std::string_view s)
{
    for (const char c : s)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

} // namespace

QString buildlabel(const dirrec& r, int d, int W)
{
    Figures f;
    if (r.bytes > 1048065) {
        f.text("..[");
        f.count(r.count, 5);
        f.text(",");
        f.mb(r.bytes);
        f.text("MB,");
        f.mb(r.space);
        f.text("MB,");
        f.mb(r.whatif);
        f.text("MB]");
    } else {
        f.text("..(");
        f.count(r.count, 5);
        f.text(",");
        f.kb(r.bytes);
        f.text("KB,");
        f.kb(r.space);
        f.text("KB,");
        f.kb(r.whatif);
        f.text("KB)");
    }

    const int room = W - d;
    const std::string_view raw = r.name();
    if (room >= 0 && printableascii(raw)) {
        // The common case: one character per byte, built in place.
        const int chars = static_cast<int>(raw.size());
        QString label(room + 1 + f.size(), Qt::Uninitialized); // the name field is room + 1 wide
        QChar* out = label.data();
        const int shown = chars <= room ? chars : room;
        for (int k = 0; k < shown; ++k)
            *out++ = QLatin1Char(raw[static_cast<std::size_t>(k)]);
        if (chars <= room) {
            *out++ = QLatin1Char(' ');
            for (int k = chars; k < room; ++k)
                *out++ = QLatin1Char('.');
        } else {
            *out++ = QLatin1Char('*');
        }
        for (int k = 0; k < f.size(); ++k)
            *out++ = QLatin1Char(f.data()[k]);
        return label;
    }

    QString field;
    if (room < 0) {
        field = QStringLiteral("*");
    } else {
        const QString name = displaytext(raw);
        const int chars = displaylength(raw);
        if (chars <= room) {
            field = name + QLatin1Char(' ') + QString(room - chars, QLatin1Char('.'));
        } else {
            // Cut after room code points, never inside a surrogate pair.
            qsizetype units = 0;
            for (int k = 0; k < room; ++k)
                units += name.at(units).isHighSurrogate() ? 2 : 1;
            field = name.left(units) + QLatin1Char('*');
        }
    }
    return field + QLatin1String(f.data(), f.size());
}

} // namespace qv
