#pragma once

// Reading and checking record trees in tests.
#include "dirrec.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

// Checks the child-list invariants of r and of every record below it with gtest expectations: each child
// points back to its parent and its previous sibling, directories come before groups, each kind in strictly
// ascending name order, and groups have no children. Returns the number of records below r. Iterative: any
// depth is safe.
int checktree(const dirrec* r);

// r's tree, one line per record in list order: its level, kind, name, count and the three figures written
// exactly (hexadecimal floating point), so two trees are the same bit for bit when their texts are.
std::string treetext(const dirrec* r);

const dirrec* child(const dirrec* r, std::string_view name);
std::vector<std::string> childnames(const dirrec* r);

} // namespace qv::test
