#include "RecordArena.h"

#include <cstring>
#include <malloc.h>
#include <new>
#include <sys/mman.h>

namespace qv {
namespace {
// Large enough that a 10-million-file tree takes a few hundred mappings; pages count only once touched.
constexpr std::size_t BlockSize = 4 << 20;
constexpr std::size_t Align = alignof(dirrec);
} // namespace

RecordArena::~RecordArena()
{
    release();
}

std::byte* RecordArena::grow(std::size_t need)
{
    const std::size_t size = need > BlockSize ? (need + 4095) & ~std::size_t(4095) : BlockSize;
    void* base = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        throw std::bad_alloc();
    m_blocks.push_back({ static_cast<std::byte*>(base), size });
    m_reserved += size;
    m_free = static_cast<std::byte*>(base);
    m_left = size;
    return m_free;
}

dirrec* RecordArena::make(std::string_view name, std::int8_t kind)
{
    // The name goes straight after the fixed fields, its terminator included; the next record starts at
    // the next aligned byte.
    if (name.size() > UINT16_MAX)
        name = name.substr(0, UINT16_MAX); // no path the walker makes comes near
    const std::size_t used = RecordHead + name.size() + 1;
    const std::size_t need = ((used > sizeof(dirrec) ? used : sizeof(dirrec)) + Align - 1) & ~(Align - 1);
    if (need > m_left)
        grow(need);
    std::byte* block = m_free;
    m_free += need;
    m_left -= need;
    auto* r = new (block) dirrec;
    r->kind = kind;
    r->namelen = static_cast<std::uint16_t>(name.size());
    char* text = reinterpret_cast<char*>(block) + RecordHead;
    std::memcpy(text, name.data(), name.size());
    text[name.size()] = '\0';
    return r;
}

void RecordArena::release()
{
    if (m_blocks.empty())
        return;
    for (const Block& b : m_blocks)
        ::munmap(b.base, b.size);
    m_blocks.clear();
    m_free = nullptr;
    m_left = 0;
    m_reserved = 0;
    // What the last walk's listings and indexes freed into the heap goes back to the system too.
    ::malloc_trim(0);
}

} // namespace qv
