#pragma once

#include "ColourRangeTable.h"
#include "dirrec.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qv {

class DirLister;

// One file of a file-type group as the detail list shows it. Figures are bytes.
struct DetailRow
{
    std::string name; // raw bytes as the file system gives them
    QString caption; // displaytext(name); the user may edit it in the list, which changes nothing on disc
    double size = 0; // nominal size
    double space = 0; // on-disc size rounded up to the volume's clusters
    double whatif = 0; // on-disc size rounded up to what-if clusters
    std::int64_t mtime = 0; // seconds since the epoch
    std::int8_t stateimage = 0; // colour number of space
    std::uint32_t rank = 0; // place in the name order, kept by the list while it sorts by other columns

    QString sizetext() const;
    QString spacetext() const;
    QString whatiftext() const;
    QString modifiedtext() const;
};

// What one fill of the detail list reads besides the directory: copies, so that the rows can be made on
// another thread while the program changes its own.
struct DetailParams
{
    std::uint32_t clustersize = 4096; // bytes, > 0
    std::int32_t whatifkb = 4; // KB of 1024 bytes, > 0
    ColourRangeTable table;
};

// Everything one fill reads, copied out of the group's records: a new scan may release them while the
// rows are being made.
struct DetailRequest
{
    std::string root; // the scan root's path
    std::string dir; // the group's directory: root, or a directory below it
    std::string group; // the group's name, e.g. "*.TXT"
    DetailParams params;

    static DetailRequest of(const dirrec& group, const DetailParams& params);
    std::string pattern() const; // as the diagnostics name it
};

// "%02i/%02i/%04i %02i:%02i" (day, month, year, hour, minute) of a file time, in UTC whatever the local
// time zone; empty for UnknownTime.
QString modifiedtext(std::int64_t mtime);

// The directory a group record's files are in, rebuilt from the raw names of its parent chain: the scan
// root's name is the full scan path, every other directory's its entry name. A group directly under the
// scan root "/" gives "/".
std::string groupdirectory(const dirrec& group);

// The group's pattern as the diagnostics name it: the directory, "/" and the group name, e.g. "/data/*.TXT".
std::string grouppattern(const dirrec& group);

// Lists the group's directory once through lister and makes one row per file whose group compares equal
// to the group's name (directories never), sorted by name (sortrows()). No link is followed below the
// scan root: a directory replaced by a link since the scan can't be opened. A directory that cannot be
// listed, or holds no file of the group any more, writes "\ndirwalk function: can't open <pattern>\n" to
// diag and gives no rows; a file of the group whose name is too long for a path (as the walker has it)
// writes "\ndirwalk: name <pattern>/<name> too long\n" and is left out. Rows come from the listing's own
// data only, so a file deleted after it was listed keeps its row.
std::vector<DetailRow> detailrows(const DetailRequest& request, DirLister& lister, std::FILE* diag = stderr);
std::vector<DetailRow> detailrows(
    const dirrec& group, DirLister& lister, const DetailParams& params, std::FILE* diag = stderr);

} // namespace qv
