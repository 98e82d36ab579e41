#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qv {

enum : std::int8_t { KindDirectory = 1, KindGroup = 2 };

// One record of the scan tree: a directory (the scan root included) or a file-type group of a directory.
// Records live in a RecordArena, the name's bytes packed straight after the fixed fields in the same
// block: a record is one allocation whatever the length of its name, and a short name costs nothing but
// its bytes (a group such as "*.C" fits the struct's own tail). All links are non-owning. The child list
// is singly linked: an insertion finds its predecessor through the sibling index (Records.h).
struct dirrec
{
    dirrec* parent = nullptr;
    dirrec* child = nullptr; // first child: directories first, then groups, each in namecmp order
    dirrec* next = nullptr;
    double bytes = 0; // nominal size
    double space = 0; // on-disc size rounded up to the volume's clusters
    double whatif = 0; // on-disc size rounded up to what-if clusters
    std::uint32_t count = 0; // files; directories are never counted
    std::uint16_t namelen = 0; // bytes of name(), no terminator counted
    std::int8_t kind = KindDirectory;

    // What the tree view keeps in the record: set when the record's node is made.
    std::int8_t stateimage = 0; // the node's state image (colour number)
    std::int32_t treenode = -1; // index of the record's node in the tree view, -1 while it has none

    // Directory: the entry name; scan root: the scan path; group: its wildcard such as "*.TXT".
    // NUL-terminated, raw bytes; the array runs on past the struct for longer names.
    char text[4] = {};

    const char* namedata() const;
    std::string_view name() const { return { namedata(), namelen }; }
};

// Where a record's name starts, and so the bytes a record takes before its name's.
constexpr std::size_t RecordHead = offsetof(dirrec, text);
static_assert(RecordHead == 60 && sizeof(dirrec) == 64, "the name packs into the struct's tail");

// The name is read as bytes of the record's block, which runs on past text's four.
inline const char* dirrec::namedata() const
{
    return reinterpret_cast<const char*>(this) + RecordHead;
}

} // namespace qv
