#include "RowOrder.h"

#include "DisplayText.h"

#include <QCollator>
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unicode/ucol.h>

namespace qv {
namespace {

// The ICU collator that makes the same keys as the program's English QCollator, which is built on ICU.
UCollator* opencollator()
{
    const QCollator english = englishcollator();
    UErrorCode status = U_ZERO_ERROR;
    UCollator* c = ucol_open(english.locale().name().toLatin1().constData(), &status);
    if (U_FAILURE(status))
        throw std::runtime_error("no collator for the name order");
    ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(c, UCOL_STRENGTH,
        english.caseSensitivity() == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY, &status);
    ucol_setAttribute(c, UCOL_NUMERIC_COLLATION, english.numericMode() ? UCOL_ON : UCOL_OFF, &status);
    ucol_setAttribute(
        c, UCOL_ALTERNATE_HANDLING, english.ignorePunctuation() ? UCOL_SHIFTED : UCOL_NON_IGNORABLE, &status);
    return c;
}

} // namespace

// A row being sorted: eight bytes of its key, from the depth reached, as one big-endian number.
struct NameOrder::Entry
{
    std::uint64_t chunk;
    std::uint32_t row;
};

void NameOrder::CloseCollator::operator()(UCollator* c) const
{
    ucol_close(c);
}

NameOrder::NameOrder()
    : m_collator(opencollator())
{
    m_keyat.push_back(0);
}

NameOrder::~NameOrder() = default;

void NameOrder::add(std::string_view name)
{
    // displaytext() changes nothing in printable ASCII.
    if (std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c <= 0x7E; })) {
        m_text.assign(name.begin(), name.end());
        addkey(m_text.data(), m_text.size());
    } else {
        add(displaytext(name));
    }
}

void NameOrder::add(const QString& caption)
{
    addkey(reinterpret_cast<const char16_t*>(caption.utf16()), static_cast<std::size_t>(caption.size()));
}

void NameOrder::addkey(const char16_t* text, std::size_t length)
{
    const std::size_t at = m_keys.size();
    std::size_t room = 16 + 2 * length;
    for (;;) {
        m_keys.resize(at + room);
        const int size = ucol_getSortKey(m_collator.get(), reinterpret_cast<const UChar*>(text),
            static_cast<std::int32_t>(length), m_keys.data() + at, static_cast<std::int32_t>(room));
        if (size > 0 && static_cast<std::size_t>(size) <= room) {
            m_keys.resize(at + static_cast<std::size_t>(size)); // with its closing zero
            break;
        }
        room = size > 0 ? static_cast<std::size_t>(size) : 2 * room;
    }
    m_keyat.push_back(m_keys.size());
}

std::uint64_t NameOrder::chunk(std::uint32_t row, std::size_t depth) const
{
    // Past its end a key reads as zeros, below every byte of a key but its closing zero.
    const std::size_t length = keylength(row);
    const std::uint8_t* key = m_keys.data() + m_keyat[row];
    std::uint64_t c = 0;
    if (depth + 8 <= length) {
        std::memcpy(&c, key + depth, 8);
        return __builtin_bswap64(c);
    }
    for (std::size_t i = depth; i < depth + 8; ++i)
        c = (c << 8) | (i < length ? key[i] : 0);
    return c;
}

void NameOrder::sortfrom(Entry* begin, Entry* end, std::size_t depth, const DetailRows& rows) const
{
    std::sort(begin, end, [](const Entry& a, const Entry& b) { return a.chunk < b.chunk; });
    for (Entry* run = begin; run != end;) {
        Entry* next = run + 1;
        while (next != end && next->chunk == run->chunk)
            ++next;
        if (next - run > 1) {
            if (keylength(run->row) <= depth + 8) { // the keys ended in this chunk: they are equal
                std::sort(
                    run, next, [&](const Entry& a, const Entry& b) { return rows.name(a.row) < rows.name(b.row); });
            } else {
                for (Entry* e = run; e != next; ++e)
                    e->chunk = chunk(e->row, depth + 8);
                sortfrom(run, next, depth + 8, rows);
            }
        }
        run = next;
    }
}

std::vector<std::uint32_t> NameOrder::order(const DetailRows& rows)
{
    const std::size_t n = m_keyat.size() - 1;
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i)
        entries[i] = { chunk(static_cast<std::uint32_t>(i), 0), static_cast<std::uint32_t>(i) };
    sortfrom(entries.data(), entries.data() + n, 0, rows);
    m_keys = {};
    m_keyat = { 0 };
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = entries[i].row;
    return order;
}

void sortrows(DetailRows& rows, NameOrder& names)
{
    rows.permute(names.order(rows));
}

void sortrows(DetailRows& rows)
{
    NameOrder names;
    for (const DetailRow& row : rows) {
        if (row.edited)
            names.add(rows.caption(row));
        else
            names.add(rows.name(row));
    }
    sortrows(rows, names);
}

} // namespace qv
