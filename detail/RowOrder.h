#pragma once

#include "DetailRows.h"

#include <QCollatorSortKey>
#include <memory>
#include <vector>

namespace qv {

// The detail list's name order, as a person reading English expects: alphabetically without regard to
// case, case deciding only between names otherwise equal (apple.txt, Apple.txt, Banana.txt), on any system
// locale. Rows whose captions collate equal are ordered by their raw names.
//
// Collation keys are made as rows are added (while the directory is read), so that the one sort compares
// bytes. Making them and sorting them in runs on a second thread beside the listing was no faster on a
// 200,000-file directory once the listing ran off the GUI thread (bench/RESULTS.md).
class NameOrder
{
public:
    NameOrder();
    ~NameOrder();
    NameOrder(const NameOrder&) = delete;
    NameOrder& operator=(const NameOrder&) = delete;

    // The next row's caption.
    void add(const QString& caption);
    // Indices of the rows added, in name order; rows (the same rows, in the order added) break ties.
    std::vector<std::size_t> order(const std::vector<DetailRow>& rows) const;

private:
    std::unique_ptr<QCollator> m_collator;
    std::vector<QCollatorSortKey> m_keys;
};

// Puts rows in name order.
void sortrows(std::vector<DetailRow>& rows);
// The same for rows whose captions were added to order, in the same order.
void sortrows(std::vector<DetailRow>& rows, const NameOrder& order);

} // namespace qv
