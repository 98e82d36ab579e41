#pragma once

#include "dirrec.h"

#include <QString>
#include <cstdint>

namespace qv {

// A size in words, in units of 1024 with one decimal: "0 bytes", "1 byte", "900 bytes", "1.5 KB",
// "1.9 MB", "2.0 GB", "3.1 TB".
QString sizewords(double bytes);

// The four figures of a record's label named in words, for its tooltip and accessible description, with
// the volume's cluster size and the what-if cluster size they were computed with, for example
// "1,231 files · 1.9 MB in the files · 6.1 MB on disc (4,096-byte clusters) · 6.3 MB with 4 KB clusters".
QString figurewords(const dirrec& r, std::uint32_t clustersize, std::int32_t whatifkb);

} // namespace qv
