#include "Records.h"

#include <cmath>

namespace qv {
namespace {

inline signed char upper(char c)
{
    return static_cast<signed char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

void linkbefore(dirrec* parent, dirrec* r, dirrec* at)
{
    r->parent = parent;
    r->next = at;
    r->prev = at->prev;
    if (at->prev)
        at->prev->next = r;
    else
        parent->child = r;
    at->prev = r;
}

void linkafter(dirrec* parent, dirrec* r, dirrec* at)
{
    r->parent = parent;
    r->prev = at;
    r->next = at->next;
    if (at->next)
        at->next->prev = r;
    at->next = r;
}

void linkfirst(dirrec* parent, dirrec* r)
{
    if (parent->child) {
        linkbefore(parent, r, parent->child);
    } else {
        r->parent = parent;
        parent->child = r;
    }
}

void addfile(dirrec* g, double nominal, double ondisc, const Rounding& rounding)
{
    g->bytes += nominal;
    g->space += clusterround(ondisc, static_cast<double>(rounding.clustersize));
    g->whatif += std::floor((ondisc + rounding.whatifkb * 1024.0 - 1) / (rounding.whatifkb * 1024.0))
        * rounding.whatifkb * 1024.0;
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

std::string groupname(std::string_view filename)
{
    const std::size_t dot = filename.rfind('.');
    if (dot == std::string_view::npos)
        return "*.";
    std::string group;
    group.reserve(filename.size() - dot + 1);
    group.push_back('*');
    for (std::size_t i = dot; i < filename.size(); ++i) {
        const char c = filename[i];
        group.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return group;
}

SiblingIndex::SiblingIndex(dirrec* parent)
    : m_parent(parent)
{
    for (dirrec* c = parent->child; c; c = c->next)
        (c->kind == KindDirectory ? m_dirs : m_groups).insert(c);
}

int adddir(RecordArena& arena, dirrec* parent, std::string_view name, dirrec** out, SiblingIndex* index)
{
    if (index) {
        auto it = index->m_dirs.lower_bound(name);
        if (it != index->m_dirs.end() && namecmp(name, (*it)->name()) == 0) {
            *out = *it;
            return 1;
        }
        dirrec* d = arena.make(name, KindDirectory);
        if (it != index->m_dirs.end()) {
            linkbefore(parent, d, *it);
        } else if (!index->m_dirs.empty()) {
            linkafter(parent, d, *index->m_dirs.rbegin());
        } else {
            linkfirst(parent, d);
        }
        index->m_dirs.insert(it, d);
        *out = d;
        return 0;
    }

    dirrec* c = parent->child;
    if (!c || c->kind != KindDirectory) {
        dirrec* d = arena.make(name, KindDirectory);
        linkfirst(parent, d);
        *out = d;
        return 0;
    }
    int cmp = namecmp(name, c->name());
    while (cmp > 0 && c->next && c->next->kind == KindDirectory) {
        c = c->next;
        cmp = namecmp(name, c->name());
    }
    if (cmp == 0) {
        *out = c;
        return 1;
    }
    dirrec* d = arena.make(name, KindDirectory);
    if (cmp < 0)
        linkbefore(parent, d, c);
    else
        linkafter(parent, d, c);
    *out = d;
    return 0;
}

int addgroup(RecordArena& arena, dirrec* parent, std::string_view group, std::int8_t kind, double nominal,
    double ondisc, const Rounding& rounding, dirrec** out, SiblingIndex* index)
{
    dirrec* at = nullptr; // the first group that does not sort before the new one
    if (index) {
        auto it = index->m_groups.lower_bound(group);
        if (it != index->m_groups.end())
            at = *it;
    } else {
        dirrec* c = parent->child;
        while (c && c->kind == KindDirectory)
            c = c->next;
        while (c && namecmp(group, c->name()) > 0)
            c = c->next;
        at = c;
    }
    if (at && namecmp(group, at->name()) == 0) {
        addfile(at, nominal, ondisc, rounding);
        *out = at;
        return 0;
    }
    dirrec* g = arena.make(group, kind);
    addfile(g, nominal, ondisc, rounding);
    if (at) {
        linkbefore(parent, g, at);
    } else if (!parent->child) {
        g->parent = parent;
        parent->child = g;
    } else {
        dirrec* last = nullptr;
        if (index && !index->m_groups.empty())
            last = *index->m_groups.rbegin();
        else if (index && !index->m_dirs.empty())
            last = *index->m_dirs.rbegin();
        else
            for (last = parent->child; last->next; last = last->next) { }
        linkafter(parent, g, last);
    }
    if (index)
        index->m_groups.insert(g);
    *out = g;
    return 0;
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

void freetree(dirrec* r)
{
    r->child = nullptr;
}

} // namespace qv
