#include "tests/support/compression.h"

#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <stdexcept>

namespace zelkam::test {
namespace {

Bytef* bytesOf(std::string_view text) { return reinterpret_cast<Bytef*>(const_cast<char*>(text.data())); }

} // namespace

std::string gzipped(std::string_view content, int level)
{
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, content.size()), '\0');
    stream.next_in = bytesOf(content);
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

std::string xzCompressed(std::string_view content, int preset)
{
    std::string out(lzma_stream_buffer_bound(content.size()), '\0');
    std::size_t written = 0;
    if (lzma_easy_buffer_encode(static_cast<std::uint32_t>(preset), LZMA_CHECK_CRC64, nullptr,
                                reinterpret_cast<const std::uint8_t*>(content.data()), content.size(),
                                reinterpret_cast<std::uint8_t*>(out.data()), &written, out.size())
        != LZMA_OK)
        throw std::runtime_error("lzma_easy_buffer_encode");
    out.resize(written);
    return out;
}

std::string zstdCompressed(std::string_view content, int level)
{
    std::string out(ZSTD_compressBound(content.size()), '\0');
    const std::size_t written = ZSTD_compress(out.data(), out.size(), content.data(), content.size(), level);
    if (ZSTD_isError(written))
        throw std::runtime_error("ZSTD_compress");
    out.resize(written);
    return out;
}

std::string gunzipAtOnce(std::string_view archive)
{
    std::string out;
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK)
        throw std::runtime_error("inflateInit2");
    stream.next_in = bytesOf(archive);
    stream.avail_in = static_cast<uInt>(archive.size());
    std::string buffer(1 << 21, '\0');
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = static_cast<uInt>(buffer.size());
        const int result = inflate(&stream, Z_FINISH);
        out.append(buffer.data(), buffer.size() - stream.avail_out);
        if (result != Z_STREAM_END || stream.avail_in == 0)
            break;
        inflateReset(&stream);
    }
    inflateEnd(&stream);
    return out;
}

std::string unxzAtOnce(std::string_view archive)
{
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&stream, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK)
        throw std::runtime_error("lzma_stream_decoder");
    std::string out(1 << 21, '\0');
    stream.next_in = reinterpret_cast<const std::uint8_t*>(archive.data());
    stream.avail_in = archive.size();
    stream.next_out = reinterpret_cast<std::uint8_t*>(out.data());
    stream.avail_out = out.size();
    static_cast<void>(lzma_code(&stream, LZMA_FINISH));
    out.resize(out.size() - stream.avail_out);
    lzma_end(&stream);
    return out;
}

std::string unzstdAtOnce(std::string_view archive)
{
    ZSTD_DStream* stream = ZSTD_createDStream();
    ZSTD_initDStream(stream);
    std::string out(1 << 21, '\0');
    ZSTD_inBuffer in{archive.data(), archive.size(), 0};
    ZSTD_outBuffer target{out.data(), out.size(), 0};
    while (in.pos < in.size) {
        const std::size_t result = ZSTD_decompressStream(stream, &target, &in);
        if (ZSTD_isError(result))
            break;
    }
    ZSTD_freeDStream(stream);
    out.resize(target.pos);
    return out;
}

} // namespace zelkam::test
