#include "RowOrder.h"

#include "DisplayText.h"

#include <QCollator>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <vector>

namespace qv {
namespace {

struct CloseCollator
{
    void operator()(UCollator* c) const { ucol_close(c); }
};

// Eight-byte pieces of the collation keys that the program's English QCollator, which is built on ICU,
// gives the rows' captions.
class KeyChunks
{
public:
    explicit KeyChunks(const DetailRows& rows)
        : m_rows(rows)
    {
        const QCollator english = englishcollator();
        UErrorCode status = U_ZERO_ERROR;
        m_collator.reset(ucol_open(english.locale().name().toLatin1().constData(), &status));
        if (U_FAILURE(status))
            throw std::runtime_error("no collator for the name order");
        UCollator* c = m_collator.get();
        ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(c, UCOL_STRENGTH,
            english.caseSensitivity() == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY, &status);
        ucol_setAttribute(c, UCOL_NUMERIC_COLLATION, english.numericMode() ? UCOL_ON : UCOL_OFF, &status);
        ucol_setAttribute(
            c, UCOL_ALTERNATE_HANDLING, english.ignorePunctuation() ? UCOL_SHIFTED : UCOL_NON_IGNORABLE, &status);
    }

    // Bytes depth to depth + 7 of the key of row's caption, big-endian. A key holds no zero byte, so the
    // zeros read past its end order it before every longer key that starts the same.
    std::uint64_t operator()(const DetailRow& row, std::size_t depth)
    {
        const std::string_view name = m_rows.name(row);
        bool plain = !row.edited; // displaytext() changes nothing in printable ASCII
        m_text.resize(name.size());
        for (std::size_t i = 0; plain && i < name.size(); ++i) {
            plain = name[i] >= 0x20 && name[i] <= 0x7E;
            m_text[i] = static_cast<char16_t>(name[i]);
        }
        if (!plain) {
            const QString caption = m_rows.caption(row);
            m_text.assign(reinterpret_cast<const char16_t*>(caption.utf16()), static_cast<std::size_t>(caption.size()));
        }
        // Each call makes the key from its start and stops after the bytes asked for.
        UCharIterator text;
        uiter_setString(&text, reinterpret_cast<const UChar*>(m_text.data()), static_cast<std::int32_t>(m_text.size()));
        std::uint32_t state[2] = { 0, 0 };
        if (m_key.size() < depth + 8)
            m_key.resize(depth + 8);
        UErrorCode status = U_ZERO_ERROR;
        const std::int32_t made = ucol_nextSortKeyPart(
            m_collator.get(), &text, state, m_key.data(), static_cast<std::int32_t>(depth + 8), &status);
        std::uint64_t chunk = 0;
        for (std::size_t i = depth; i < depth + 8; ++i)
            chunk = (chunk << 8) | (U_SUCCESS(status) && static_cast<std::int32_t>(i) < made ? m_key[i] : 0);
        return chunk;
    }

    const DetailRows& rows() const { return m_rows; }

private:
    const DetailRows& m_rows;
    std::unique_ptr<UCollator, CloseCollator> m_collator;
    std::u16string m_text;
    std::vector<std::uint8_t> m_key;
};

// Sorts [begin, end), whose sortchunk fields hold their key bytes from depth on, by their whole keys, and
// rows with equal keys by their raw names. row(e) is the row an element stands for.
template <typename T, typename Row>
void sortfrom(T* begin, T* end, std::size_t depth, KeyChunks& chunks, const Row& row)
{
    std::sort(begin, end, [](const T& a, const T& b) { return a.sortchunk < b.sortchunk; });
    for (T* run = begin; run != end;) {
        T* next = run + 1;
        while (next != end && next->sortchunk == run->sortchunk)
            ++next;
        if (next - run > 1) {
            if ((run->sortchunk & 0xFF) == 0) { // the keys ended in these bytes: they are equal
                std::sort(run, next,
                    [&](const T& a, const T& b) { return chunks.rows().name(row(a)) < chunks.rows().name(row(b)); });
            } else {
                for (T* e = run; e != next; ++e)
                    e->sortchunk = chunks(row(*e), depth + 8);
                sortfrom(run, next, depth + 8, chunks, row);
            }
        }
        run = next;
    }
}

} // namespace

void sortrows(DetailRows& rows)
{
    KeyChunks chunks(rows);
    for (DetailRow& r : rows)
        r.sortchunk = chunks(r, 0);
    sortfrom(rows.begin(), rows.end(), 0, chunks, [](const DetailRow& r) -> const DetailRow& { return r; });
}

MappedArray<std::uint32_t> nameorder(const DetailRows& rows)
{
    struct Entry
    {
        std::uint64_t sortchunk;
        std::uint32_t row;
    };
    KeyChunks chunks(rows);
    MappedArray<Entry> entries;
    entries.resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        entries[i] = { chunks(rows[i], 0), static_cast<std::uint32_t>(i) };
    sortfrom(
        entries.begin(), entries.end(), 0, chunks, [&](const Entry& e) -> const DetailRow& { return rows[e.row]; });
    MappedArray<std::uint32_t> order;
    order.resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        order[i] = entries[i].row;
    return order;
}

} // namespace qv
