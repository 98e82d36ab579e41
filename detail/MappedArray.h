#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

namespace qv {

// A growable array of plain values in a memory mapping of its own: it grows with mremap (no copy, no
// second buffer while it grows) and gives its pages back to the system the moment it is cleared or
// destroyed. The detail list keeps its big per-file arrays in these, so that a million-file list costs
// the same memory at every fill, however the heap was left by the one before.
template <typename T> class MappedArray
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    MappedArray() = default;
    MappedArray(std::initializer_list<T> values)
    {
        for (const T& v : values)
            push_back(v);
    }
    MappedArray(const MappedArray& other) { *this = other; }
    MappedArray(MappedArray&& other) noexcept { swap(other); }
    ~MappedArray() { release(); }
    MappedArray& operator=(const MappedArray& other)
    {
        if (this != &other) {
            clear();
            resize(other.m_size);
            if (m_size)
                std::memcpy(m_data, other.m_data, m_size * sizeof(T));
        }
        return *this;
    }
    MappedArray& operator=(MappedArray&& other) noexcept
    {
        MappedArray gone(std::move(other));
        swap(gone);
        return *this;
    }
    void swap(MappedArray& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T* data() { return m_data; }
    const T* data() const { return m_data; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_size; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_size; }

    T& push_back(const T& value)
    {
        if (m_size == m_capacity)
            reserve(std::max<std::size_t>(2 * m_capacity, 1));
        return m_data[m_size++] = value;
    }
    // Appends n values copied from values.
    void append(const T* values, std::size_t n)
    {
        if (m_size + n > m_capacity)
            reserve(std::max(2 * m_capacity, m_size + n));
        if (n)
            std::memcpy(m_data + m_size, values, n * sizeof(T));
        m_size += n;
    }
    // New values are zero bytes.
    void resize(std::size_t n)
    {
        if (n > m_capacity)
            reserve(std::max(2 * m_capacity, n));
        if (n > m_size)
            std::memset(static_cast<void*>(m_data + m_size), 0, (n - m_size) * sizeof(T));
        m_size = n;
    }
    void reserve(std::size_t n)
    {
        if (n <= m_capacity)
            return;
        const std::size_t bytes = pages(n * sizeof(T));
        void* p = m_data ? ::mremap(m_data, pages(m_capacity * sizeof(T)), bytes, MREMAP_MAYMOVE)
                         : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        m_data = static_cast<T*>(p);
        m_capacity = bytes / sizeof(T);
    }
    // Empties the array and gives its pages back.
    void clear() { release(); }

private:
    static std::size_t pages(std::size_t bytes)
    {
        constexpr std::size_t page = 4096;
        return (bytes + page - 1) / page * page;
    }
    void release()
    {
        if (m_data)
            ::munmap(m_data, pages(m_capacity * sizeof(T)));
        m_data = nullptr;
        m_size = m_capacity = 0;
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace qv
