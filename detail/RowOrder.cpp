#include "RowOrder.h"

#include "DisplayText.h"

#include <QCollator>
#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <unicode/ucol.h>

namespace qv {
namespace {

struct CloseCollator
{
    void operator()(UCollator* c) const { ucol_close(c); }
};

// The collation keys that the program's English QCollator, which is built on ICU, gives the rows'
// captions: made once a row, one after the other in one buffer, each with its closing zero.
class NameKeys
{
public:
    explicit NameKeys(const DetailRows& rows)
        : m_rows(rows)
    {
        const QCollator english = englishcollator();
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UCollator, CloseCollator> collator(
            ucol_open(english.locale().name().toLatin1().constData(), &status));
        if (U_FAILURE(status))
            throw std::runtime_error("no collator for the name order");
        UCollator* c = collator.get();
        ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(c, UCOL_STRENGTH,
            english.caseSensitivity() == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY, &status);
        ucol_setAttribute(c, UCOL_NUMERIC_COLLATION, english.numericMode() ? UCOL_ON : UCOL_OFF, &status);
        ucol_setAttribute(
            c, UCOL_ALTERNATE_HANDLING, english.ignorePunctuation() ? UCOL_SHIFTED : UCOL_NON_IGNORABLE, &status);

        m_keyat.reserve(rows.size() + 1);
        m_keyat.push_back(0);
        std::u16string text;
        for (const DetailRow& row : rows) {
            const std::string_view name = rows.name(row);
            bool plain = !row.edited; // displaytext() changes nothing in printable ASCII
            text.resize(name.size());
            for (std::size_t i = 0; plain && i < name.size(); ++i) {
                plain = name[i] >= 0x20 && name[i] <= 0x7E;
                text[i] = static_cast<char16_t>(name[i]);
            }
            if (!plain) {
                const QString caption = rows.caption(row);
                text.assign(
                    reinterpret_cast<const char16_t*>(caption.utf16()), static_cast<std::size_t>(caption.size()));
            }
            add(c, text);
        }
    }

    // Bytes depth to depth + 7 of row's key, big-endian. Past its end a key reads as zeros, below every
    // byte of a key but its closing zero.
    std::uint64_t chunk(std::uint32_t row, std::size_t depth) const
    {
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
    std::size_t keylength(std::uint32_t row) const { return m_keyat[row + 1] - m_keyat[row]; }
    const DetailRows& rows() const { return m_rows; }

private:
    void add(UCollator* c, const std::u16string& text)
    {
        const std::size_t at = m_keys.size();
        std::size_t room = 16 + 2 * text.size();
        for (;;) {
            m_keys.resize(at + room);
            const std::int32_t size = ucol_getSortKey(c, reinterpret_cast<const UChar*>(text.data()),
                static_cast<std::int32_t>(text.size()), m_keys.data() + at, static_cast<std::int32_t>(room));
            if (size > 0 && static_cast<std::size_t>(size) <= room) {
                m_keys.resize(at + static_cast<std::size_t>(size));
                break;
            }
            room = size > 0 ? static_cast<std::size_t>(size) : 2 * room;
        }
        m_keyat.push_back(m_keys.size());
    }

    const DetailRows& m_rows;
    MappedArray<std::uint8_t> m_keys;
    MappedArray<std::uint64_t> m_keyat; // where each row's key starts, and one past the last
};

// A row being sorted: eight bytes of its key, from the depth reached, as one number.
struct Entry
{
    std::uint64_t chunk;
    std::uint32_t row;
};

// Sorts [begin, end), whose chunks hold their keys' bytes from depth on, by their whole keys, and rows
// with equal keys by their raw names.
void sortfrom(Entry* begin, Entry* end, std::size_t depth, const NameKeys& keys)
{
    std::sort(begin, end, [](const Entry& a, const Entry& b) { return a.chunk < b.chunk; });
    for (Entry* run = begin; run != end;) {
        Entry* next = run + 1;
        while (next != end && next->chunk == run->chunk)
            ++next;
        if (next - run > 1) {
            if (keys.keylength(run->row) <= depth + 8) { // the keys ended in these bytes: they are equal
                std::sort(run, next,
                    [&](const Entry& a, const Entry& b) { return keys.rows().name(a.row) < keys.rows().name(b.row); });
            } else {
                for (Entry* e = run; e != next; ++e)
                    e->chunk = keys.chunk(e->row, depth + 8);
                sortfrom(run, next, depth + 8, keys);
            }
        }
        run = next;
    }
}

} // namespace

void sortrows(DetailRows& rows)
{
    rows.permute(nameorder(rows));
}

MappedArray<std::uint32_t> nameorder(const DetailRows& rows)
{
    MappedArray<Entry> entries;
    {
        const NameKeys keys(rows);
        entries.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            entries[i] = { keys.chunk(static_cast<std::uint32_t>(i), 0), static_cast<std::uint32_t>(i) };
        sortfrom(entries.begin(), entries.end(), 0, keys);
    }
    MappedArray<std::uint32_t> order;
    order.resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        order[i] = entries[i].row;
    return order;
}

} // namespace qv
