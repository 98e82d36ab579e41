#pragma once

#include "ColourRangeTable.h"
#include "MappedArray.h"
#include "dirrec.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

class DirLister;

// One file of a file-type group as the detail list shows it, 48 bytes: its name is kept in the name bytes
// of the rows it belongs to (DetailRows), and its texts are made when they are shown. Figures are bytes.
struct DetailRow
{
    double size = 0; // nominal size
    double space = 0; // on-disc size rounded up to the volume's clusters
    double whatif = 0; // on-disc size rounded up to what-if clusters
    std::int64_t mtime = 0; // seconds since the epoch, or UnknownTime
    std::uint64_t nameat : 48 = 0; // the name's first byte in DetailRows' name bytes; also the row's identity
    std::uint64_t namelength : 16 = 0; // names longer than a path can be are never rows
    std::uint32_t rank = 0; // place in the name order, kept by the list while it sorts by other columns
    std::int8_t stateimage = 0; // colour number of space
    bool edited = false; // the user edited its caption in the list

    QString sizetext() const;
    QString spacetext() const;
    QString whatiftext() const;
    QString modifiedtext() const;
};

// The rows of one fill: the compact rows, and one buffer that holds all their names. Copying or sorting rows
// moves 48 bytes a file and never a string; both arrays give their memory back when the rows go.
class DetailRows
{
public:
    using iterator = DetailRow*;
    using const_iterator = const DetailRow*;

    // Appends a row for a file of this name; the row's name fields are set here.
    DetailRow& add(std::string_view name);

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    DetailRow& operator[](std::size_t i) { return m_rows[i]; }
    const DetailRow& operator[](std::size_t i) const { return m_rows[i]; }
    iterator begin() { return m_rows.begin(); }
    iterator end() { return m_rows.end(); }
    const_iterator begin() const { return m_rows.begin(); }
    const_iterator end() const { return m_rows.end(); }

    // The raw bytes of the name as the file system gives them.
    std::string_view name(const DetailRow& row) const { return { m_names.data() + row.nameat, row.namelength }; }
    std::string_view name(std::size_t i) const { return name(m_rows[i]); }
    // What the list shows as the name: displaytext() of the name, or what the user edited it to.
    QString caption(const DetailRow& row) const;
    QString caption(std::size_t i) const { return caption(m_rows[i]); }
    // Changes the caption the list shows, and nothing on disc.
    void setcaption(std::size_t i, const QString& caption);

    // Puts row order[k] at place k, in place.
    void permute(MappedArray<std::uint32_t> order);

private:
    MappedArray<DetailRow> m_rows;
    MappedArray<char> m_names;
    std::unordered_map<std::uint64_t, QString> m_captions; // edited captions, by their row's nameat
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
DetailRows detailrows(const DetailRequest& request, DirLister& lister, std::FILE* diag = stderr);
DetailRows detailrows(const dirrec& group, DirLister& lister, const DetailParams& params, std::FILE* diag = stderr);

} // namespace qv
