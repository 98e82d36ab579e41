#pragma once

#include "dirrec.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qv {

class ColourRangeTable;
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

    QString sizetext() const;
    QString spacetext() const;
    QString whatiftext() const;
    QString modifiedtext() const;
};

// What one fill of the detail list reads besides the directory.
struct DetailParams
{
    std::uint32_t clustersize = 4096; // bytes, > 0
    std::int32_t whatifkb = 4; // KB of 1024 bytes, > 0
    const ColourRangeTable& table;
};

// "%02i/%02i/%04i %02i:%02i" (day, month, year, hour, minute) of a file time, in UTC whatever the local
// time zone.
QString modifiedtext(std::int64_t mtime);

// The directory a group record's files are in, rebuilt from the raw names of its parent chain: the scan
// root's name is the full scan path, every other directory's its entry name. A group directly under the
// scan root "/" gives "/".
std::string groupdirectory(const dirrec& group);

// The group's pattern as the diagnostics name it: the directory, "/" and the group name, e.g. "/data/*.TXT".
std::string grouppattern(const dirrec& group);

// Lists the group's directory once through lister and makes one row per file whose group compares equal
// to the group's name (directories never), sorted by name. A directory that cannot be listed writes
// "\ndirwalk function: can't open <pattern>\n" to diag and gives no rows; a name too long for a path
// (directory + name + 2 > 4095 bytes, as the walker has it) writes "\ndirwalk: name <pattern>/<name> too
// long\n" and is left out. Rows come from the listing's own data only, so a file deleted after it was
// listed keeps its row.
std::vector<DetailRow> detailrows(
    const dirrec& group, DirLister& lister, const DetailParams& params, std::FILE* diag = stderr);

// Sorts rows by caption as a person reading English expects: alphabetically without regard to case, case
// deciding only between names otherwise equal (apple.txt, Apple.txt, Banana.txt), on any system locale.
// Rows whose captions collate equal keep an order by their raw names.
void sortrows(std::vector<DetailRow>& rows);

} // namespace qv
