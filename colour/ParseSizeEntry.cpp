#include "ParseSizeEntry.h"

#include <charconv>

namespace qv {

namespace {

constexpr int MaxCollected = 23; // digits and points

} // namespace

double ParseSizeEntry(std::u16string_view text)
{
    char number[MaxCollected];
    int collected = 0;
    bool digit = false;
    bool point = false;
    double unit = 0; // 0 while no unit letter was seen
    bool unitlast = false; // the unit letter is the last character other than blanks
    bool bseen = false;

    for (const char16_t c : text) {
        if (c == u' ')
            continue;
        const bool isnum = c >= u'0' && c <= u'9';
        if ((isnum || (c == u'.' && !point)) && unit == 0) {
            if (collected == MaxCollected)
                return -1;
            number[collected++] = static_cast<char>(c);
            digit = digit || isnum;
            point = point || c == u'.';
        } else if ((c == u'K' || c == u'k') && unit == 0) {
            unit = 1024;
            unitlast = true;
            continue;
        } else if ((c == u'M' || c == u'm') && unit == 0) {
            unit = 1048576;
            unitlast = true;
            continue;
        } else if ((c == u'B' || c == u'b') && unitlast && !bseen) {
            bseen = true;
        } else {
            return -1;
        }
        unitlast = false;
    }

    if (!digit && !point)
        return -1;
    if (point && unit == 0)
        return -1;
    double value = 0; // a lone "." does not convert and stays 0
    std::from_chars(number, number + collected, value);
    return unit == 0 ? value : value * unit;
}

} // namespace qv
