#include "ExportInput.h"

#include <cerrno>
#include <cstring>
#include <zlib.h>
#include <zstd.h>

namespace qv {
namespace {

constexpr std::size_t BlockSize = 256 * 1024;

} // namespace

struct ExportInput::Codec
{
    z_stream gzip {};
    bool gzipopen = false;
    bool gzipdone = false; // at the end of a gzip member
    ZSTD_DStream* zstd = nullptr;
    std::size_t zstdhint = 1; // ZSTD_decompressStream's last return: 0 at the end of a frame
    ~Codec()
    {
        if (gzipopen)
            inflateEnd(&gzip);
        if (zstd)
            ZSTD_freeDStream(zstd);
    }
};

ExportInput::ExportInput()
    : m_raw(BlockSize)
    , m_data(BlockSize)
{
}

ExportInput::~ExportInput()
{
    if (m_ownsfile && m_file)
        std::fclose(m_file);
}

void ExportInput::fail(std::string what)
{
    if (m_error.empty()) {
        m_error = std::move(what);
        m_erroroffset = Tell();
    }
    m_ended = true;
}

bool ExportInput::open(const std::string& path)
{
    if (path == "-") {
        m_file = stdin;
    } else {
        m_file = std::fopen(path.c_str(), "rb");
        if (!m_file) {
            fail(std::string("can't open it: ") + std::strerror(errno));
            return false;
        }
        m_ownsfile = true;
    }
    return open(m_file);
}

bool ExportInput::open(std::FILE* file)
{
    m_file = file;
    if (!readraw())
        return false;
    const auto* magic = reinterpret_cast<const unsigned char*>(m_raw.data());
    const std::size_t n = m_rawlen;
    if (n >= 2 && magic[0] == 0x1f && magic[1] == 0x8b) {
        m_format = Format::Gzip;
        m_codec = std::make_unique<Codec>();
        if (inflateInit2(&m_codec->gzip, 16 + MAX_WBITS) != Z_OK) {
            fail("can't start gzip decompression");
            return false;
        }
        m_codec->gzipopen = true;
    } else if (n >= 4 && magic[0] == 0x28 && magic[1] == 0xb5 && magic[2] == 0x2f && magic[3] == 0xfd) {
        m_format = Format::Zstd;
        m_codec = std::make_unique<Codec>();
        m_codec->zstd = ZSTD_createDStream();
        if (!m_codec->zstd || ZSTD_isError(ZSTD_initDStream(m_codec->zstd))) {
            fail("can't start zstd decompression");
            return false;
        }
    } else if (n >= 8
        && std::memcmp(magic,
               "\xbf"
               "ncduEX1",
               8)
            == 0) {
        fail("not an export in the JSON format (a binary ncdu export)");
        return false;
    }
    return true;
}

bool ExportInput::readraw()
{
    m_rawpos = 0;
    m_rawlen = std::fread(m_raw.data(), 1, m_raw.size(), m_file);
    if (m_rawlen < m_raw.size()) {
        if (std::ferror(m_file)) {
            fail(std::string("read failed: ") + std::strerror(errno));
            return false;
        }
        m_rawend = true;
    }
    return true;
}

bool ExportInput::refill()
{
    if (m_ended)
        return false;
    m_consumed += static_cast<std::size_t>(m_end - m_begin);
    m_begin = m_pos = m_end = nullptr;
    if (m_consumed - m_mark > TokenLimit) {
        fail("a value longer than 1 MiB");
        return false;
    }
    if (m_format == Format::Plain) {
        if (m_rawpos == m_rawlen && (m_rawend || !readraw() || m_rawlen == 0)) {
            m_ended = true;
            return false;
        }
        m_begin = m_pos = m_raw.data() + m_rawpos;
        m_end = m_raw.data() + m_rawlen;
        m_rawpos = m_rawlen;
        return true;
    }
    // Decompress until some text comes out or the input ends.
    std::size_t produced = 0;
    while (produced == 0) {
        if (m_rawpos == m_rawlen) {
            if (m_rawend || !readraw() || m_rawlen == 0) {
                const bool complete = m_format == Format::Gzip ? m_codec->gzipdone : m_codec->zstdhint == 0;
                if (!complete)
                    fail(m_format == Format::Gzip ? "the gzip data ends early" : "the zstd data ends early");
                m_ended = true;
                return false;
            }
        }
        if (m_format == Format::Gzip) {
            z_stream& z = m_codec->gzip;
            if (m_codec->gzipdone) { // another member follows, as in concatenated gzip files
                if (inflateReset(&z) != Z_OK) {
                    fail("corrupt gzip data");
                    return false;
                }
                m_codec->gzipdone = false;
            }
            z.next_in = reinterpret_cast<Bytef*>(m_raw.data() + m_rawpos);
            z.avail_in = static_cast<uInt>(m_rawlen - m_rawpos);
            z.next_out = reinterpret_cast<Bytef*>(m_data.data());
            z.avail_out = static_cast<uInt>(m_data.size());
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                fail("corrupt gzip data");
                return false;
            }
            m_codec->gzipdone = rc == Z_STREAM_END;
            m_rawpos = m_rawlen - z.avail_in;
            produced = m_data.size() - z.avail_out;
        } else {
            ZSTD_inBuffer in { m_raw.data(), m_rawlen, m_rawpos };
            ZSTD_outBuffer out { m_data.data(), m_data.size(), 0 };
            const std::size_t rc = ZSTD_decompressStream(m_codec->zstd, &out, &in);
            if (ZSTD_isError(rc)) {
                fail("corrupt zstd data");
                return false;
            }
            m_codec->zstdhint = rc;
            m_rawpos = in.pos;
            produced = out.pos;
        }
    }
    m_begin = m_pos = m_data.data();
    m_end = m_data.data() + produced;
    return true;
}

} // namespace qv
