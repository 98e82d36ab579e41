#pragma once

#include <string_view>

namespace qv {

// Reads a size typed into a To edit of the Colour Ranges dialog and returns it in bytes, or -1 when the
// entry is invalid (callers treat any result below -0.1 as invalid).
//
// Blanks are ignored wherever they stand. Digits and at most one "." may appear only before the unit
// letter; the unit is K/k (x 1024) or M/m (x 1048576), at most once; B/b is allowed once, only right after
// the unit letter (blanks between them aside). Any other character makes the entry invalid, and so does an
// entry with neither a digit nor a ".", or a "." without a unit (a plain byte count is a whole number).
// A lone "." with a unit reads as 0.
//
// At most 23 digits and points are collected: an entry with more is invalid. Typed entries never get near
// that (the edits take 20 characters); only a bound of 10^23 KB or more, loaded from the store and shown
// in an edit, could, and leaving that edit then beeps like any other invalid entry. The result is always
// -1 or a finite number of at least 0.
double ParseSizeEntry(std::u16string_view text);

} // namespace qv
