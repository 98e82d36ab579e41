#include "ColourRangeTable.h"

#include "SettingsStore.h"
#include "SizeText.h"

#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace qv {

namespace {

// Stored bounds are read with the C locale's decimal point whatever the user's locale: the program
// writes them that way.
locale_t clocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
}

std::string valuename(int n)
{
    return std::string(1, char('0' + n));
}

// A stored range is taken only if the Colour Ranges dialog could show it and take it back: a colour
// digit 1..8, and a finite, non-negative bound whose KB text fits the dialog's 20-character To edit.
bool parserange(const std::string& text, ColourRange& range)
{
    if (text.size() < 2 || text[0] < '1' || text[0] > '8')
        return false;
    range.colour = std::int8_t(text[0] - '0');
    range.bound = strtod_l(text.c_str() + 2, nullptr, clocale());
    if (!std::isfinite(range.bound) || range.bound < 0)
        return false;
    if (range.bound == 0)
        range.bound = 0; // "-0" would show as "-0KB"
    return rangeedittext(range.bound).size() <= 20;
}

SettingsError unused(const std::string& why)
{
    return SettingsError("The stored colour ranges are not used (" + why + "); the default ranges stay in force");
}

} // namespace

ColourRangeTable::ColourRangeTable()
    : m_ranges(defaults())
{
}

ColourRangeTable::Ranges ColourRangeTable::defaults()
{
    return { { { 1, 10240.0 }, { 2, 102400.0 }, { 3, 1024000.0 }, { 4, 10240000.0 }, { 5, 102400000.0 },
        { 6, 1024000000.0 }, { 7, 10240000000.0 }, { 8, 1024000000000000000.0 } } };
}

std::int8_t ColourOfSize(const ColourRangeTable& table, double size)
{
    int k = 1;
    while (k < ColourRangeTable::Count && size > table.range(k).bound)
        ++k;
    return table.range(k).colour;
}

std::string ColourRangeText(const ColourRange& range)
{
    return storedrangetext(range.colour, range.bound);
}

void LoadColourRanges(ColourRangeTable& table, SettingsStore& store)
{
    if (!store.keyExists(ColRangeLoadKey))
        return;
    ColourRangeTable::Ranges scratch;
    for (int n = 0; n < ColourRangeTable::Count; ++n) {
        if (!store.valueExists(ColRangeLoadKey, valuename(n)))
            return; // one missing: none is used
    }
    for (int n = 0; n < ColourRangeTable::Count; ++n) {
        const std::string name = valuename(n);
        std::string text;
        try {
            text = store.readString(ColRangeLoadKey, name);
        } catch (const SettingsError&) {
            throw unused("value '" + name + "' is not text");
        }
        if (!parserange(text, scratch[n]))
            throw unused("value '" + name + "' is not a colour digit, a reverse solidus and a size");
        // Out of order, the lookup would colour sizes by the wrong band and the dialog refuse every edit.
        if (n > 0 && scratch[n].bound < scratch[n - 1].bound)
            throw unused("range " + std::to_string(n + 1) + " ends below range " + std::to_string(n));
    }
    table.setranges(scratch);
}

void SaveColourRanges(const ColourRangeTable& table, SettingsStore& store)
{
    SettingsBatch batch;
    for (int n = 0; n < ColourRangeTable::Count; ++n)
        batch.writeString(ColRangeSaveKey, valuename(n), ColourRangeText(table.ranges()[n]));
    store.write(batch);
}

} // namespace qv
