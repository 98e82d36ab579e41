#include "DetailRows.h"

#include "DirLister.h"
#include "DisplayText.h"
#include "PathJoin.h"
#include "Records.h"
#include "RowOrder.h"
#include "ScanRules.h"
#include "SizeText.h"

#include <ctime>

namespace qv {
namespace {

// displaytext() with a short cut for the common plain ASCII name.
QString displaycaption(std::string_view name)
{
    for (const char c : name)
        if (c < 0x20 || c > 0x7E)
            return displaytext(name);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

QString modifiedtext(std::int64_t mtime)
{
    if (mtime == UnknownTime)
        return {};
    std::tm tm {};
    const auto t = static_cast<std::time_t>(mtime);
    int day = 0, month = 0, year = 0;
    if (gmtime_r(&t, &tm)) { // fails only for times beyond what the calendar fields hold: zeros then
        day = tm.tm_mday;
        month = tm.tm_mon + 1;
        year = tm.tm_year + 1900;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%02i/%02i/%04i %02i:%02i", day, month, year, tm.tm_hour, tm.tm_min);
    return QString::fromLatin1(text);
}

QString DetailRow::sizetext() const
{
    return detailkbtext(size);
}

QString DetailRow::spacetext() const
{
    return detailkbtext(space);
}

QString DetailRow::whatiftext() const
{
    return detailkbtext(whatif);
}

QString DetailRow::modifiedtext() const
{
    return qv::modifiedtext(mtime);
}

static_assert(sizeof(DetailRow) == 48, "a row a file: keep it compact");

DetailRow& DetailRows::add(std::string_view name)
{
    DetailRow& row = m_rows.push_back({});
    row.nameat = m_names.size();
    row.namelength = name.size();
    m_names.append(name.data(), name.size());
    return row;
}

QString DetailRows::caption(const DetailRow& row) const
{
    if (row.edited) {
        const auto edit = m_captions.find(row.nameat);
        if (edit != m_captions.end())
            return edit->second;
    }
    return displaycaption(name(row));
}

void DetailRows::setcaption(std::size_t i, const QString& caption)
{
    m_rows[i].edited = true;
    m_captions[m_rows[i].nameat] = caption;
}

void DetailRows::permute(MappedArray<std::uint32_t> order)
{
    // Follows each cycle of the permutation once; a place done is marked by order[k] == k.
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        const DetailRow first = m_rows[start];
        std::size_t at = start;
        for (;;) {
            const std::size_t from = order[at];
            order[at] = static_cast<std::uint32_t>(at);
            if (from == start) {
                m_rows[at] = first;
                break;
            }
            m_rows[at] = m_rows[from];
            at = from;
        }
    }
}

std::string groupdirectory(const dirrec& group)
{
    return group.parent ? recordpath(*group.parent) : std::string();
}

std::string grouppattern(const dirrec& group)
{
    return recordpath(group);
}

DetailRequest DetailRequest::of(const dirrec& group, const DetailParams& params)
{
    const dirrec* root = &group;
    while (root->parent)
        root = root->parent;
    return { std::string(root->name()), groupdirectory(group), std::string(group.name()), params };
}

std::string DetailRequest::pattern() const
{
    return joinpath(dir, group);
}

DetailRows detailrows(const DetailRequest& request, DirLister& lister, std::FILE* diag)
{
    DetailRows rows;
    const std::string pattern = request.pattern();
    lister.examineahead();
    std::unique_ptr<DirListing> listing = lister.openbelow(request.root, request.dir);
    if (!listing) {
        cantopen(diag, pattern);
        return rows;
    }
    const double cluster = request.params.clustersize;
    const double whatifcluster = request.params.whatifkb * 1024.0;
    bool matched = false; // a file of the group is there, listed or too long
    DirEntry entry;
    while (listing->next(entry)) {
        if (entry.isdir || !ingroup(entry.name, request.group))
            continue;
        matched = true;
        if (pathtoolong(request.dir, entry.name)) {
            nametoolong(diag, pattern, entry.name);
            continue;
        }
        DetailRow& row = rows.add(entry.name);
        row.size = entry.size;
        const double ondisc = ondiscsize(entry);
        row.space = clusterround(ondisc, cluster);
        row.whatif = clusterround(ondisc, whatifcluster);
        row.mtime = entry.mtime;
        row.stateimage = ColourOfSize(request.params.table, row.space);
    }
    listing.reset(); // its names go before the sort's keys come
    if (!matched)
        cantopen(diag, pattern); // what a listing by the pattern says when nothing matches it
    sortrows(rows);
    return rows;
}

DetailRows detailrows(const dirrec& group, DirLister& lister, const DetailParams& params, std::FILE* diag)
{
    return detailrows(DetailRequest::of(group, params), lister, diag);
}

} // namespace qv
