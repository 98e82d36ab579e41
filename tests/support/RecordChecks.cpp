#include "RecordChecks.h"

#include "Records.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace qv::test {

int checktree(const dirrec* r)
{
    int n = 0;
    std::vector<const dirrec*> todo { r };
    while (!todo.empty()) {
        const dirrec* d = todo.back();
        todo.pop_back();
        const dirrec* prev = nullptr;
        bool groups = false;
        for (const dirrec* c = d->child; c; prev = c, c = c->next) {
            EXPECT_EQ(c->parent, d);
            if (c->kind == KindGroup) {
                groups = true;
            } else {
                EXPECT_FALSE(groups) << "directory " << c->name() << " after a group";
            }
            if (prev && prev->kind == c->kind) {
                EXPECT_LT(namecmp(prev->name(), c->name()), 0) << prev->name() << " / " << c->name();
            }
            if (c->kind == KindGroup) {
                EXPECT_EQ(c->child, nullptr) << c->name();
            } else if (c->child) {
                todo.push_back(c);
            }
            ++n;
        }
    }
    return n;
}

std::string treetext(const dirrec* r)
{
    std::string text;
    const dirrec* n = r;
    int level = 0;
    while (n) {
        char figures[160];
        std::snprintf(figures, sizeof figures, " %u %a %a %a\n", n->count, n->bytes, n->space, n->whatif);
        text += std::to_string(level) + (n->kind == KindGroup ? " group " : " dir ") + std::string(n->name()) + figures;
        if (n->child) {
            n = n->child;
            ++level;
            continue;
        }
        while (n != r && !n->next) {
            n = n->parent;
            --level;
        }
        n = n == r ? nullptr : n->next;
    }
    return text;
}

const dirrec* child(const dirrec* r, std::string_view name)
{
    for (const dirrec* c = r->child; c; c = c->next)
        if (c->name() == name)
            return c;
    return nullptr;
}

std::vector<std::string> childnames(const dirrec* r)
{
    std::vector<std::string> names;
    for (const dirrec* c = r->child; c; c = c->next)
        names.emplace_back(c->name());
    return names;
}

} // namespace qv::test
