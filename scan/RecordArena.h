#pragma once

#include "dirrec.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

// Bump allocator for the records of one scan: no per-record heap block, and the whole tree is
// released in one go. Its blocks are mapped from the system directly, so a release hands the memory
// back at once, and scan after scan in one process takes no more than the largest of them.
class RecordArena
{
public:
    RecordArena() = default;
    ~RecordArena();
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;

    // A new record with the given name (at most 65,535 bytes) and kind and everything else zero or empty.
    dirrec* make(std::string_view name, std::int8_t kind);
    // Releases every record made since the last release.
    void release();
    // Trades records with other: a tree read aside takes the place of the one on display.
    void swap(RecordArena& other) noexcept
    {
        m_blocks.swap(other.m_blocks);
        std::swap(m_free, other.m_free);
        std::swap(m_left, other.m_left);
        std::swap(m_reserved, other.m_reserved);
    }
    std::size_t bytesreserved() const { return m_reserved; }

private:
    struct Block
    {
        std::byte* base;
        std::size_t size;
    };
    std::byte* grow(std::size_t need);

    std::vector<Block> m_blocks;
    std::byte* m_free = nullptr;
    std::size_t m_left = 0;
    std::size_t m_reserved = 0;
};

} // namespace qv
