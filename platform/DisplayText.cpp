#include "DisplayText.h"

#include <QLocale>
#include <string>

namespace qv {
namespace {

constexpr char32_t Replacement = 0xFFFD;

bool iscontrol(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when the byte at i starts no valid sequence.
std::size_t decodeone(std::string_view s, std::size_t i, char32_t& out)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, min = 0x80, out = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, min = 0x800, out = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, min = 0x10000, out = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        out = (out << 6) | (b & 0x3F);
    }
    if (out < min || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF))
        return 0;
    return len;
}

template <typename Put> void decode(std::string_view s, Put put)
{
    for (std::size_t i = 0; i < s.size();) {
        char32_t c;
        const std::size_t len = decodeone(s, i, c);
        if (len == 0) {
            put(Replacement);
            ++i;
        } else {
            put(iscontrol(c) ? Replacement : c);
            i += len;
        }
    }
}

} // namespace

QString displaytext(std::string_view bytes)
{
    std::u32string chars;
    chars.reserve(bytes.size());
    decode(bytes, [&](char32_t c) { chars.push_back(c); });
    return QString::fromUcs4(chars.data(), static_cast<qsizetype>(chars.size()));
}

int displaylength(std::string_view bytes)
{
    int n = 0;
    decode(bytes, [&](char32_t) { ++n; });
    return n;
}

QCollator englishcollator()
{
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    return collator;
}

} // namespace qv
