#pragma once

#include "RecordArena.h"
#include "dirrec.h"

#include <cstdint>
#include <memory_resource>
#include <set>
#include <string>
#include <string_view>

namespace qv {

// Byte-wise comparison after ASCII upper-casing, the bytes compared as signed 8-bit values (so bytes from
// 0x80 up sort before every ASCII byte and before the end of a name). Returns -1, 0 or 1.
int namecmp(std::string_view a, std::string_view b);

// x rounded up to a whole multiple of c: floor((x + c - 1) / c) * c, in double.
double clusterround(double x, double c);

// The cluster sizes a file is rounded to when it joins its group.
struct Rounding
{
    std::uint32_t clustersize = 4096; // bytes
    std::int32_t whatifkb = 4; // KB of 1024 bytes; must be positive
};

// An ordered index of one directory's children, kept while that directory is walked, so that finding
// the place of a new child takes logarithmic time however many siblings there are. It indexes the
// children the directory already has when it is made.
class SiblingIndex
{
public:
    explicit SiblingIndex(dirrec* parent);
    SiblingIndex(const SiblingIndex&) = delete;
    SiblingIndex& operator=(const SiblingIndex&) = delete;

    dirrec* parent() const { return m_parent; }

private:
    friend int adddir(RecordArena&, SiblingIndex&, std::string_view, dirrec**);
    friend int addgroup(
        RecordArena&, SiblingIndex&, std::string_view, std::int8_t, double, double, const Rounding&, dirrec**);

    struct Less
    {
        using is_transparent = void;
        static std::string_view key(const dirrec* r) { return r->name(); }
        static std::string_view key(std::string_view s) { return s; }
        template <typename A, typename B> bool operator()(const A& a, const B& b) const
        {
            return namecmp(key(a), key(b)) < 0;
        }
    };
    using Set = std::pmr::set<dirrec*, Less>;

    dirrec* m_parent;
    std::pmr::monotonic_buffer_resource m_memory;
    Set m_dirs { &m_memory };
    Set m_groups { &m_memory };
};

// Finds or inserts the directory child called name under index.parent() and hands it out through out.
// Returns 0 when it inserted a new record, 1 when a directory child comparing equal was already there.
int adddir(RecordArena& arena, SiblingIndex& index, std::string_view name, dirrec** out);

// Adds one file to the group child called group under index.parent(), inserting the group if it is new:
// bytes grows by nominal, space by ondisc rounded to the cluster size, whatif by ondisc rounded to
// whatifkb * 1024, count by 1. Hands the group out through out and returns 0.
int addgroup(RecordArena& arena, SiblingIndex& index, std::string_view group, std::int8_t kind, double nominal,
    double ondisc, const Rounding& rounding, dirrec** out);

// A record's path from the raw names of its chain: the scan root's name is the full scan path, every
// other record's its entry name, or for a file-type group its pattern such as "*.TXT".
std::string recordpath(const dirrec& r);

// Sets a directory's figures to the sums of its children's, which must be final: the roll-up of one
// directory whose subdirectories are rolled up, as a walk does when it leaves the directory. Sets rather
// than adds, so that a directory walked twice (two entries whose names differ only in case) ends with the
// sums of everything in it.
void sumchildren(dirrec* d);

// Adds every record's figures into the directory records above it, from r down, and raises maxdepth to
// the level of the deepest record (r being at level depth). Iterative: any depth is safe.
void rollup(dirrec* r, int depth, int& maxdepth);

} // namespace qv
