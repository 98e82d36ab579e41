// libFuzzer target for ParseSizeEntry. The input's bytes are the entry's characters (Latin-1), except that
// 0xFF takes the next two bytes as one UTF-16 code unit, so characters beyond Latin-1 come up too.
// Oracle: the result is -1 or a finite size of at least 0, and equals what a second, independently
// written reading of the rules gives (blanks removed first, then number, unit and "B" taken as segments).
#include "ParseSizeEntry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::u16string decode(const std::uint8_t* data, std::size_t size)
{
    std::u16string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text += static_cast<char16_t>(data[i + 1] << 8 | data[i + 2]);
            i += 2;
        } else {
            text += static_cast<char16_t>(data[i]);
        }
    }
    return text;
}

double reference(const std::u16string& text)
{
    std::string s; // the entry without blanks; anything outside ASCII is invalid anyway
    for (const char16_t c : text) {
        if (c == u' ')
            continue;
        if (c > 0x7F)
            return -1;
        s += static_cast<char>(c);
    }
    const std::size_t numberend = s.find_first_not_of("0123456789.");
    const std::string number = s.substr(0, numberend);
    const std::string rest = numberend == std::string::npos ? std::string() : s.substr(numberend);
    const auto points = std::count(number.begin(), number.end(), '.');
    if (number.empty() || points > 1 || number.size() > 23)
        return -1;
    double unit = 0;
    if (rest.empty())
        unit = 1;
    else if (rest.size() <= 2 && (rest[0] == 'K' || rest[0] == 'k'))
        unit = 1024;
    else if (rest.size() <= 2 && (rest[0] == 'M' || rest[0] == 'm'))
        unit = 1048576;
    if (unit == 0 || (rest.size() == 2 && rest[1] != 'B' && rest[1] != 'b'))
        return -1;
    if (unit == 1 && points == 1)
        return -1;
    const double value = number == "." ? 0 : std::strtod(number.c_str(), nullptr);
    return value * unit;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u16string text = decode(data, size);
    const double got = qv::ParseSizeEntry(text);
    if (got != -1 && !(std::isfinite(got) && got >= 0)) {
        std::fprintf(stderr, "ParseSizeEntry gave %g\n", got);
        std::abort();
    }
    const double want = reference(text);
    if (got != want) {
        std::fprintf(stderr, "ParseSizeEntry gave %.17g, the rules say %.17g\n", got, want);
        std::abort();
    }
    return 0;
}
