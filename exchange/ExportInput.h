#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// The bytes of an export file, plain or gzip- or zstd-compressed (told apart by their first bytes), as a
// RapidJSON input stream. Reads in blocks; memory stays the same however long the file is. After a read
// or decompression failure the stream ends early and error() says why.
class ExportInput
{
public:
    using Ch = char;

    ExportInput();
    ~ExportInput();
    ExportInput(const ExportInput&) = delete;
    ExportInput& operator=(const ExportInput&) = delete;

    // Opens path, or standard input for "-"; false with error() set when it can't be read.
    bool open(const std::string& path);
    // Reads from file, which the caller keeps open until the stream ends.
    bool open(std::FILE* file);
    const std::string& error() const { return m_error; }
    // The decompressed offset error() refers to.
    std::size_t erroroffset() const { return m_erroroffset; }
    // True once the text has ended (or failed).
    bool ended() const { return m_ended; }

    // Ends the stream with error() once more than limit bytes follow mark(): a string or a run of digits
    // can't make the parser buffer without bound.
    void mark() { m_mark = Tell(); }
    static constexpr std::size_t TokenLimit = 1 << 20;

    Ch Peek()
    {
        if (m_pos == m_end && !refill())
            return '\0';
        return *m_pos;
    }
    Ch Take()
    {
        if (m_pos == m_end && !refill())
            return '\0';
        return *m_pos++;
    }
    std::size_t Tell() const { return m_consumed + static_cast<std::size_t>(m_pos - m_begin); }
    // The bytes read but not yet taken, up to the end of the block at hand (none before the first Peek()),
    // for taking runs of them at once.
    const char* current() const { return m_pos; }
    std::size_t available() const { return static_cast<std::size_t>(m_end - m_pos); }
    void skip(std::size_t n) { m_pos += n; }
    // Output side of the stream concept, never used by the reader.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) { }
    void Flush() { }
    std::size_t PutEnd(Ch*) { return 0; }

private:
    enum class Format { Plain, Gzip, Zstd };
    struct Codec;

    bool refill();
    bool readraw();
    void fail(std::string what);

    std::FILE* m_file = nullptr;
    bool m_ownsfile = false;
    Format m_format = Format::Plain;
    std::unique_ptr<Codec> m_codec;
    std::vector<char> m_raw; // compressed bytes as read
    std::size_t m_rawpos = 0, m_rawlen = 0;
    bool m_rawend = false;
    std::vector<char> m_data; // the JSON text
    const char* m_begin = nullptr;
    const char* m_pos = nullptr;
    const char* m_end = nullptr;
    std::size_t m_consumed = 0; // bytes before m_begin
    std::size_t m_mark = 0;
    bool m_ended = false;
    std::string m_error;
    std::size_t m_erroroffset = 0;
};

} // namespace qv
