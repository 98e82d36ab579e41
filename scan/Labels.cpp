#include "Labels.h"

#include "DisplayText.h"
#include "SizeText.h"

#include <charconv>
#include <cstdint>
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

// The figures of a label, built in place.
class Figures
{
public:
    // "%<width>u"
    void count(std::uint32_t n, int width)
    {
        char digits[16];
        const int length = static_cast<int>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
        for (int k = length; k < width; ++k)
            m_text[m_size++] = ' ';
        append(digits, length);
    }
    void kb(double x) { m_size += labelkb(x, m_text + m_size); }
    void mb(double x) { m_size += labelmb(x, m_text + m_size); }
    void text(const char* s) { append(s, static_cast<int>(std::strlen(s))); }
    const char* data() const { return m_text; }
    int size() const { return m_size; }

private:
    void append(const char* s, int n)
    {
        std::memcpy(m_text + m_size, s, static_cast<std::size_t>(n));
        m_size += n;
    }

    // Three figures, the count and the brackets and units between them.
    char m_text[4 * FigureMax];
    int m_size = 0;
};

bool printableascii(std::string_view s)
{
    for (const char c : s)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// The figures part of a record's label: the bracketed MB form over 1048065 bytes, else the KB form.
Figures figures(const dirrec& r)
{
    const bool mb = r.bytes > 1048065;
    const char* unitcomma = mb ? "MB," : "KB,";
    Figures f;
    const auto figure = [&](double x) { mb ? f.mb(x) : f.kb(x); };
    f.text(mb ? "..[" : "..(");
    f.count(r.count, 5);
    f.text(",");
    figure(r.bytes);
    f.text(unitcomma);
    figure(r.space);
    f.text(unitcomma);
    figure(r.whatif);
    f.text(mb ? "MB]" : "KB)");
    return f;
}

} // namespace

QString buildlabel(const dirrec& r, int d, int W)
{
    const Figures f = figures(r);
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

void appendlabel(std::string& out, const dirrec& r, int d, int W)
{
    const int room = W - d;
    const std::string_view raw = r.name();
    if (room < 0 || !printableascii(raw)) {
        out += buildlabel(r, d, W).toStdString();
        return;
    }
    const Figures f = figures(r);
    const std::size_t chars = raw.size();
    const std::size_t field = static_cast<std::size_t>(room);
    if (chars <= field) {
        out += raw;
        out += ' ';
        out.append(field - chars, '.');
    } else {
        out += raw.substr(0, field);
        out += '*';
    }
    out.append(f.data(), static_cast<std::size_t>(f.size()));
}

} // namespace qv
