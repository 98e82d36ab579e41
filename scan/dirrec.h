#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

enum : std::int8_t { KindDirectory = 1, KindGroup = 2 };

// One record of the scan tree: a directory (the scan root included) or a file-type group of a directory.
// Records live in a RecordArena; the name's bytes follow the struct in the same block, so a record is
// one allocation whatever the length of its name. All links are non-owning.
struct dirrec
{
    dirrec* parent = nullptr;
    dirrec* child = nullptr; // first child: directories first, then groups, each in namecmp order
    dirrec* next = nullptr;
    dirrec* prev = nullptr;
    double bytes = 0; // nominal size
    double space = 0; // on-disc size rounded up to the volume's clusters
    double whatif = 0; // on-disc size rounded up to what-if clusters
    std::uint32_t count = 0; // files; directories are never counted
    std::int32_t treenode = -1; // index of the record's node in the tree view, -1 while it has none
    std::int32_t namelen = 0; // bytes of name(), no terminator counted
    std::int8_t kind = KindDirectory;
    std::int8_t stateimage = 0; // the node's state image (colour number), set with the node

    // Directory: the entry name; scan root: the scan path; group: its wildcard such as "*.TXT".
    // NUL-terminated, raw bytes.
    const char* namedata() const { return reinterpret_cast<const char*>(this + 1); }
    std::string_view name() const { return { namedata(), static_cast<std::size_t>(namelen) }; }
};

} // namespace qv
