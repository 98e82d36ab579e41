#include "RecordArena.h"

#include <cstring>
#include <new>

namespace qv {
namespace {
constexpr std::size_t ChunkSize = 1 << 20;
constexpr std::size_t Align = alignof(dirrec);
} // namespace

dirrec* RecordArena::make(std::string_view name, std::int8_t kind)
{
    const std::size_t need = (sizeof(dirrec) + name.size() + 1 + Align - 1) & ~(Align - 1);
    if (need > m_left) {
        const std::size_t size = need > ChunkSize ? need : ChunkSize;
        m_chunks.emplace_back(new std::byte[size]);
        m_free = m_chunks.back().get();
        m_left = size;
        m_reserved += size;
    }
    std::byte* block = m_free;
    m_free += need;
    m_left -= need;
    auto* r = new (block) dirrec;
    r->kind = kind;
    r->namelen = static_cast<std::int32_t>(name.size());
    char* text = reinterpret_cast<char*>(r + 1);
    std::memcpy(text, name.data(), name.size());
    text[name.size()] = '\0';
    return r;
}

void RecordArena::release()
{
    m_chunks.clear();
    m_free = nullptr;
    m_left = 0;
    m_reserved = 0;
}

} // namespace qv
