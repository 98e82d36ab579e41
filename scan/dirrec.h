#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qv {

enum : std::int8_t { KindDirectory = 1, KindGroup = 2 };

// One record of the scan tree: a directory (the scan root included) or a file-type group of a directory.
// Records live in a RecordArena, the name's bytes packed straight after the fixed fields in the same
// block: a record is one allocation whatever the length of its name, and a name costs its bytes and its
// terminator, rounded up to the record's alignment of 8 (a group such as "*.C": 64 bytes in all). All
// links are non-owning. The child list is singly linked: an insertion finds its predecessor through the
// sibling index (Records.h).
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

    // Directory: the entry name; scan root: the scan path; group: its wildcard such as "*.TXT".
    // NUL-terminated, raw bytes; the array runs on past the struct for any name but the empty one.
    char text[1] = {};

    const char* namedata() const;
    std::string_view name() const { return { namedata(), namelen }; }
};

// Where a record's name starts, and so the bytes a record takes before its name's.
constexpr std::size_t RecordHead = offsetof(dirrec, text);
static_assert(RecordHead == 55 && sizeof(dirrec) == 56, "the name packs straight after the fixed fields");

// The name is read as bytes of the record's block, which runs on past text's four.
inline const char* dirrec::namedata() const
{
    return reinterpret_cast<const char*>(this) + RecordHead;
}

} // namespace qv
