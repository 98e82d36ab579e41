#pragma once

// A stream in memory for code that writes diagnostics to a std::FILE*, so tests read them without
// capturing the process's standard error.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv::test {

class DiagStream
{
public:
    DiagStream() = default;
    DiagStream(const DiagStream&) = delete;
    DiagStream& operator=(const DiagStream&) = delete;
    ~DiagStream()
    {
        std::fclose(m_file);
        std::free(m_text);
    }

    std::FILE* file() const { return m_file; }
    // Everything written so far.
    std::string str()
    {
        std::fflush(m_file);
        return std::string(m_text, m_size);
    }

private:
    char* m_text = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file = open_memstream(&m_text, &m_size);
};

} // namespace qv::test
