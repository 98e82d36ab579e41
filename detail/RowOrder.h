#pragma once

#include "DetailRows.h"

namespace qv {

// The detail list's name order, as a person reading English expects: alphabetically without regard to
// case, case deciding only between names otherwise equal (apple.txt, Apple.txt, Banana.txt), on any system
// locale. Rows whose captions collate equal are ordered by their raw names. The order is that of the
// program's English collator (englishcollator()).
//
// Each row's collation key is made once, into one buffer, and the rows are ordered by their keys eight
// bytes at a time, as whole numbers: first by the keys' first eight bytes, then each run of rows equal
// so far by the next eight, and so on. What is sorted is a 16-byte entry a row (those eight bytes and the
// row's index), never the rows themselves, which then move into place once.

// Puts rows in name order of their captions, in place.
void sortrows(DetailRows& rows);

// The rows' indices in name order of their captions, without moving them.
MappedArray<std::uint32_t> nameorder(const DetailRows& rows);

} // namespace qv
