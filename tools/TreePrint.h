#pragma once

#include "dirrec.h"

#include <functional>
#include <string_view>

namespace qv {

class ColourRangeTable;

// Calls visit(record, level) for root and every record below it in pre-order (each
// record's children in list order). Without recursion: any depth is safe.
template <typename Visit> void preorder(const dirrec* root, Visit visit)
{
    const dirrec* n = root;
    int level = 0;
    while (n) {
        visit(n, level);
        if (n->child) {
            n = n->child;
            ++level;
            continue;
        }
        while (n != root && !n->next) {
            n = n->parent;
            --level;
        }
        n = n == root ? nullptr : n->next;
    }
}

// One record's tree line: "<level>\t<state image>\t<label>\n", the label for width W at indent 2 * level.
void appendtreeline(std::string& out, const dirrec& r, int level, int W, const ColourRangeTable& colours);

// The tree lines of root and every record below it in pre-order (root at level 0, each record's children
// in list order), handed to write() in that order, a batch of lines at a time. This thread walks the
// tree while the other cores this process may use format the lines. Without recursion: any depth is
// safe.
void printtreelines(
    const dirrec* root, int W, const ColourRangeTable& colours, const std::function<void(std::string_view)>& write);

} // namespace qv
