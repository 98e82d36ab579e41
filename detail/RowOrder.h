#pragma once

#include "DetailRows.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct UCollator;

namespace qv {

// The detail list's name order, as a person reading English expects: alphabetically without regard to
// case, case deciding only between names otherwise equal (apple.txt, Apple.txt, Banana.txt), on any system
// locale. Rows whose captions collate equal are ordered by their raw names.
//
// A collation key is made for each row as it is added (while the directory is read) and kept in one byte
// buffer, so that the one sort compares bytes: eight at a time, as whole numbers, and the next eight only
// among keys equal so far. The keys are those of the program's English collator (englishcollator()).
class NameOrder
{
public:
    NameOrder();
    ~NameOrder();
    NameOrder(const NameOrder&) = delete;
    NameOrder& operator=(const NameOrder&) = delete;

    // The next row's name, shown as its displaytext().
    void add(std::string_view name);
    // The next row's caption.
    void add(const QString& caption);
    // Indices of the rows added, in name order; rows (the same rows, in the order added) break ties. The
    // keys are released.
    std::vector<std::uint32_t> order(const DetailRows& rows);

private:
    struct Entry;
    void addkey(const char16_t* text, std::size_t length);
    std::uint64_t chunk(std::uint32_t row, std::size_t depth) const;
    std::size_t keylength(std::uint32_t row) const { return m_keyat[row + 1] - m_keyat[row]; }
    void sortfrom(Entry* begin, Entry* end, std::size_t depth, const DetailRows& rows) const;

    struct CloseCollator
    {
        void operator()(UCollator* c) const;
    };
    std::unique_ptr<UCollator, CloseCollator> m_collator;
    std::vector<std::uint8_t> m_keys; // every row's key with its closing zero, one after the other
    std::vector<std::uint64_t> m_keyat; // where each row's key starts, and one past the last
    std::u16string m_text; // a plain ASCII name widened
};

// Puts rows in name order, in place.
void sortrows(DetailRows& rows);
// The same for rows whose names or captions were added to order, in the same order.
void sortrows(DetailRows& rows, NameOrder& order);

} // namespace qv
