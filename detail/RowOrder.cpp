#include "RowOrder.h"

#include "DisplayText.h"

#include <QCollator>
#include <algorithm>
#include <numeric>

namespace qv {

NameOrder::NameOrder()
    : m_collator(std::make_unique<QCollator>(englishcollator()))
{
}

NameOrder::~NameOrder() = default;

void NameOrder::add(const QString& caption)
{
    m_keys.push_back(m_collator->sortKey(caption));
}

std::vector<std::size_t> NameOrder::order(const std::vector<DetailRow>& rows) const
{
    std::vector<std::size_t> order(m_keys.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = m_keys[a].compare(m_keys[b]);
        return c != 0 ? c < 0 : rows[a].name < rows[b].name;
    });
    return order;
}

void sortrows(std::vector<DetailRow>& rows, const NameOrder& names)
{
    const std::vector<std::size_t> order = names.order(rows);
    std::vector<DetailRow> sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

void sortrows(std::vector<DetailRow>& rows)
{
    NameOrder names;
    for (const DetailRow& row : rows)
        names.add(row.caption);
    sortrows(rows, names);
}

} // namespace qv
