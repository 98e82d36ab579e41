#pragma once

#include "dirrec.h"

#include <QString>
#include <string>

namespace qv {

// Label width W for the deepest level of a scan: 32, or 2 * maxdepth + 24 beyond level 5, at most 120.
int labelwidth(int maxdepth);

// The tree label of a record at indent d (twice its level) for label width W: a name field of W - d + 1
// characters (the name cut with "*" when longer; just "*" when W - d is negative), then the figures in
// the bracketed MB form above 1048065 bytes or the parenthesised KB form. Characters, not bytes, are
// counted; the name shows as displaytext().
QString buildlabel(const dirrec& r, int d, int W);

// Appends buildlabel(r, d, W) to out as UTF-8; a printable-ASCII name, the common case, is written
// straight in, with no QString made.
void appendlabel(std::string& out, const dirrec& r, int d, int W);

} // namespace qv
