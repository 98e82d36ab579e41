#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qv {

class SettingsStore;

// One size band: sizes up to and including bound (bytes) get colour number colour (1..8).
struct ColourRange
{
    std::int8_t colour = 1;
    double bound = 0;

    friend bool operator==(const ColourRange&, const ColourRange&) = default;
};

// The eight size bands, in order of their upper bounds. One instance per program, used on the GUI thread.
class ColourRangeTable
{
public:
    static constexpr int Count = 8;
    using Ranges = std::array<ColourRange, Count>;

    ColourRangeTable(); // the defaults
    static Ranges defaults();

    const Ranges& ranges() const { return m_ranges; }
    const ColourRange& range(int k) const { return m_ranges[k - 1]; } // k = 1..8
    void setranges(const Ranges& ranges) { m_ranges = ranges; }

private:
    Ranges m_ranges;
};

// The colour number of the first range whose bound is not below size; range 8's colour above them all.
std::int8_t ColourOfSize(const ColourRangeTable& table, double size);

// The stored text of a range, "%1i\%15.0f": colour digit, backslash, the bound in bytes right-aligned in 15.
std::string ColourRangeText(const ColourRange& range);

// Loads the eight stored ranges into table when all eight are present and well-formed (text values, a first
// character "1".."8", a finite non-negative bound whose "%9.0fKB" text of bound / 1024 has at most 20
// characters) and their bounds never decrease; otherwise the table keeps what it holds. A set with a value
// missing is passed over in silence; a complete set that cannot be used throws SettingsError saying why,
// once. Never writes the store.
void LoadColourRanges(ColourRangeTable& table, SettingsStore& store);

// Writes all eight ranges in one batch: all of them reach the store or, with SettingsError "Failed to set
// data for '0'", none.
void SaveColourRanges(const ColourRangeTable& table, SettingsStore& store);

} // namespace qv
