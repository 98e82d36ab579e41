#include "Records.h"

#include "PathJoin.h"

#include <cmath>
#include <iterator>
#include <vector>

namespace qv {
namespace {

inline signed char upper(char c)
{
    return static_cast<signed char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

// Links r into parent's child list straight after pred, or at the front when pred is null.
void linkafter(dirrec* parent, dirrec* r, dirrec* pred)
{
    r->parent = parent;
    dirrec*& slot = pred ? pred->next : parent->child;
    r->next = slot;
    slot = r;
}

void addfile(dirrec* g, double nominal, double ondisc, const Rounding& rounding)
{
    g->bytes += nominal;
    g->space += clusterround(ondisc, static_cast<double>(rounding.clustersize));
    g->whatif += clusterround(ondisc, rounding.whatifkb * 1024.0);
    g->count += 1;
}

} // namespace

int namecmp(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const signed char x = upper(a[i]);
        const signed char y = upper(b[i]);
        if (x != y)
            return x > y ? 1 : -1;
    }
    if (a.size() == b.size())
        return 0;
    // The shorter name has ended: its terminator (0) meets the other's next byte.
    const signed char rest = a.size() > n ? upper(a[n]) : upper(b[n]);
    const int sign = rest > 0 ? 1 : -1;
    return a.size() > n ? sign : -sign;
}

double clusterround(double x, double c)
{
    return std::floor((x + c - 1) / c) * c;
}

SiblingIndex::SiblingIndex(dirrec* parent)
    : m_parent(parent)
{
    for (dirrec* c = parent->child; c; c = c->next)
        (c->kind == KindDirectory ? m_dirs : m_groups).insert(c);
}

int adddir(RecordArena& arena, SiblingIndex& index, std::string_view name, dirrec** out)
{
    auto it = index.m_dirs.lower_bound(name);
    if (it != index.m_dirs.end() && namecmp(name, (*it)->name()) == 0) {
        *out = *it;
        return 1;
    }
    // Directories lead the list, so the first one goes to the front, in front of any groups.
    dirrec* d = arena.make(name, KindDirectory);
    linkafter(index.m_parent, d, it == index.m_dirs.begin() ? nullptr : *std::prev(it));
    index.m_dirs.insert(it, d);
    *out = d;
    return 0;
}

int addgroup(RecordArena& arena, SiblingIndex& index, std::string_view group, std::int8_t kind, double nominal,
    double ondisc, const Rounding& rounding, dirrec** out)
{
    auto it = index.m_groups.lower_bound(group);
    if (it != index.m_groups.end() && namecmp(group, (*it)->name()) == 0) {
        addfile(*it, nominal, ondisc, rounding);
        *out = *it;
        return 0;
    }
    dirrec* g = arena.make(group, kind);
    addfile(g, nominal, ondisc, rounding);
    // The first group follows the last directory, if there is one.
    dirrec* pred = nullptr;
    if (it != index.m_groups.begin())
        pred = *std::prev(it);
    else if (!index.m_dirs.empty())
        pred = *index.m_dirs.rbegin();
    linkafter(index.m_parent, g, pred);
    index.m_groups.insert(it, g);
    *out = g;
    return 0;
}

std::string recordpath(const dirrec& r)
{
    std::vector<std::string_view> names;
    for (const dirrec* p = &r; p; p = p->parent)
        names.push_back(p->name());
    std::string path(names.back());
    for (auto it = names.rbegin() + 1; it != names.rend(); ++it)
        path = joinpath(path, *it);
    return path;
}

void sumchildren(dirrec* d)
{
    double bytes = 0, space = 0, whatif = 0;
    std::uint32_t count = 0;
    for (const dirrec* c = d->child; c; c = c->next) {
        bytes += c->bytes;
        space += c->space;
        whatif += c->whatif;
        count += c->count;
    }
    d->bytes = bytes;
    d->space = space;
    d->whatif = whatif;
    d->count = count;
}

void rollup(dirrec* r, int depth, int& maxdepth)
{
    dirrec* n = r;
    int d = depth;
    while (n->child) {
        n = n->child;
        ++d;
    }
    for (;;) {
        // Every child of n has been summed into n.
        if (d > maxdepth)
            maxdepth = d;
        if (n == r)
            return;
        dirrec* p = n->parent;
        p->bytes += n->bytes;
        p->count += n->count;
        p->space += n->space;
        p->whatif += n->whatif;
        if (n->next) {
            n = n->next;
            while (n->child) {
                n = n->child;
                ++d;
            }
        } else {
            n = p;
            --d;
        }
    }
}

} // namespace qv
