#pragma once

#include <QString>
#include <string>

namespace qv {

// Every size text the program shows or stores. Sizes are bytes held as doubles; a KB is 1024 bytes and an
// MB 1048576. Figures round as printf does: to the nearest, an exact half to the even neighbour. A huge
// figure takes as many digits as it needs.

// The longest figure printf can make (the largest double in KB) has 306 characters.
constexpr int FigureMax = 320;

// The tree labels' figures, written to out (at least FigureMax characters, no terminating zero); each
// returns its length. A whole number of bytes below 2^53 (every figure a scan makes) is formatted by
// integer arithmetic, for speed.
int labelkb(double bytes, char* out); // "%9.0f" of (bytes + 511) / 1024
int labelmb(double bytes, char* out); // "%9.1f" of bytes / 1048576

// A detail list figure: "%10.0fKB" of (bytes + 511) / 1024.
QString detailkbtext(double bytes);
// A colour range's bound in the Colour Ranges dialog's edits: "%9.0fKB" of bytes / 1024.
QString rangeedittext(double bytes);
// A colour range's bound in the colour legend: "%15.0fKB" of bytes / 1024.
QString legendkbtext(double bytes);
// The status line after a scan: "Freespace on Drive <root> is %9.1fMB" of bytes / 1048576.
std::string freespacetext(const std::string& root, double bytes);
// A colour range as stored, "%1i\%15.0f": the colour digit, a backslash, the bound in bytes right-aligned
// in 15 characters. Independent of the locale.
std::string storedrangetext(int colour, double bytes);

} // namespace qv
