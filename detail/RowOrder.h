#pragma once

#include "DetailRows.h"

namespace qv {

// The detail list's name order, as a person reading English expects: alphabetically without regard to
// case, case deciding only between names otherwise equal (apple.txt, Apple.txt, Banana.txt), on any system
// locale. Rows whose captions collate equal are ordered by their raw names. The order is that of the
// program's English collator (englishcollator()).
//
// The rows are sorted in place by their collation keys eight bytes at a time, as whole numbers: first by
// the keys' first eight bytes, then each run of rows equal so far by the next eight, and so on. A row's
// eight bytes are made when they are needed and kept in the row, so sorting takes no memory beside the
// rows, and most keys are never made beyond the bytes that tell them apart.

// Puts rows in name order of their captions, in place.
void sortrows(DetailRows& rows);

// The rows' indices in name order of their captions, without moving them.
MappedArray<std::uint32_t> nameorder(const DetailRows& rows);

} // namespace qv
