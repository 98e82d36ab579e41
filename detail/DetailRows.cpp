#include "DetailRows.h"

#include "ColourRangeTable.h"
#include "DirLister.h"
#include "DisplayText.h"
#include "PathJoin.h"
#include "Records.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <ctime>
#include <numeric>

namespace qv {
namespace {

// The walker's limit: an entry is left out when its directory's path, its name and two more bytes
// exceed 4095 bytes, so the rows of a group add up to what the scan counted.
constexpr std::size_t MaxPath = 4095;

} // namespace

QString kbtext(double bytes)
{
    char text[64];
    std::snprintf(text, sizeof text, "%10.0fKB", (bytes + 511) / 1024);
    return QString::fromLatin1(text);
}

QString modifiedtext(std::int64_t mtime)
{
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
    return kbtext(size);
}

QString DetailRow::spacetext() const
{
    return kbtext(space);
}

QString DetailRow::whatiftext() const
{
    return kbtext(whatif);
}

QString DetailRow::modifiedtext() const
{
    return qv::modifiedtext(mtime);
}

std::string groupdirectory(const dirrec& group)
{
    std::vector<std::string_view> names;
    for (const dirrec* r = group.parent; r; r = r->parent)
        names.push_back(r->name());
    if (names.empty())
        return {};
    std::string path(names.back());
    for (auto it = names.rbegin() + 1; it != names.rend(); ++it)
        path = joinpath(path, *it);
    return path;
}

std::string grouppattern(const dirrec& group)
{
    return joinpath(groupdirectory(group), group.name());
}

std::vector<DetailRow> detailrows(const dirrec& group, DirLister& lister, const DetailParams& params, std::FILE* diag)
{
    std::vector<DetailRow> rows;
    const std::string dir = groupdirectory(group);
    const std::string pattern = joinpath(dir, group.name());
    const std::unique_ptr<DirListing> listing = lister.open(dir);
    if (!listing) {
        std::fprintf(diag, "\ndirwalk function: can't open %s\n", pattern.c_str());
        return rows;
    }
    const double cluster = params.clustersize;
    const double whatifcluster = params.whatifkb * 1024.0;
    DirEntry entry;
    while (listing->next(entry)) {
        if (entry.name == "." || entry.name == "..")
            continue;
        if (dir.size() + entry.name.size() + 2 > MaxPath) {
            const std::string name(entry.name);
            std::fprintf(diag, "\ndirwalk: name %s/%s too long\n", pattern.c_str(), name.c_str());
            continue;
        }
        if (entry.isdir || namecmp(groupname(entry.name), group.name()) != 0)
            continue;
        DetailRow& row = rows.emplace_back();
        row.name.assign(entry.name);
        row.caption = displaytext(entry.name);
        row.size = entry.size;
        const double ondisc = entry.compressed && entry.ondisc >= 0 ? entry.ondisc : entry.size;
        row.space = clusterround(ondisc, cluster);
        row.whatif = clusterround(ondisc, whatifcluster);
        row.mtime = entry.mtime;
        row.stateimage = ColourOfSize(params.table, row.space);
    }
    sortrows(rows);
    return rows;
}

void sortrows(std::vector<DetailRow>& rows)
{
    // Collation keys are made once per row; comparing two keys is then a byte comparison, which keeps a
    // directory of hundreds of thousands of files well inside a second.
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const DetailRow& row : rows)
        keys.push_back(collator.sortKey(row.caption));
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t { 0 });
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = keys[a].compare(keys[b]);
        return c != 0 ? c < 0 : rows[a].name < rows[b].name;
    });
    std::vector<DetailRow> sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

} // namespace qv
