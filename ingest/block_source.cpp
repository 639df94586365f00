#include "ingest/block_source.h"

#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <climits>

namespace zelkam {
namespace {

char lowered(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithFolded(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    const std::string_view tail = name.substr(name.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) { return lowered(a) == b; });
}

struct Suffix {
    std::string_view text;
    Compression compression;
};
constexpr Suffix Suffixes[] = {{".gz", Compression::Gzip}, {".xz", Compression::Xz}, {".zst", Compression::Zstd}};

// A plain file: its bytes as they are.
class PlainSource final : public BlockSource {
public:
    explicit PlainSource(std::FILE* file) : BlockSource(file) {}

    std::size_t read(char* buffer, std::size_t capacity) override
    {
        const std::size_t got = std::fread(buffer, 1, capacity, file_);
        if (got == 0 && std::ferror(file_))
            end_ = ReadEnd::Unreadable;
        delivered_ += got;
        return got;
    }
};

// What every archive format shares: reading the compressed input in
// chunks, the output bound, and the rule that after a fault nothing more
// is handed out.
class DecompressingSource : public BlockSource {
public:
    std::size_t read(char* buffer, std::size_t capacity) final
    {
        if (finished_)
            return 0;
        const std::uint64_t room = bound_ - delivered_;
        if (room == 0) {
            // Content that ends exactly at the bound is whole; only a byte
            // beyond it makes the file a bomb.
            char beyond;
            if (decode(&beyond, 1) > 0)
                finish(ReadEnd::Bounded);
            finished_ = true;
            return 0;
        }
        std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, room));
        if (holding_) {
            wanted = static_cast<std::size_t>(holding_->take(std::uint64_t{wanted} * HeldPerDecodedByte)
                                              / HeldPerDecodedByte);
            if (wanted == 0) {
                // As at the bound: content that ends here is whole.
                char beyond;
                if (decode(&beyond, 1) > 0)
                    finish(ReadEnd::OverPool);
                finished_ = true;
                return 0;
            }
        }
        const std::size_t got = decode(buffer, wanted);
        if (holding_ && got < wanted)
            holding_->giveBack(std::uint64_t{wanted - got} * HeldPerDecodedByte);
        delivered_ += got;
        if (got == 0)
            finished_ = true;
        return got;
    }

protected:
    DecompressingSource(std::FILE* file, std::uint64_t bound, std::size_t inputChunk)
        : BlockSource(file), bound_(bound), chunk_(std::max<std::size_t>(inputChunk, 64)),
          input_(new unsigned char[chunk_])
    {
    }

    // Decompresses up to capacity (at least 1) bytes into buffer; returns
    // fewer only when the content has ended (0 when nothing was left), with
    // the way it ended recorded by finish().
    virtual std::size_t decode(char* buffer, std::size_t capacity) = 0;

    // Reads the next chunk of compressed input; false at the end of the
    // file. A read error ends the input too, and marks the file unreadable.
    bool refill(const unsigned char*& next, std::size_t& available)
    {
        if (inputEnded_)
            return false;
        available = std::fread(input_.get(), 1, chunk_, file_);
        next = input_.get();
        if (available == 0) {
            inputEnded_ = true;
            if (std::ferror(file_))
                finish(ReadEnd::Unreadable);
            return false;
        }
        inputSeen_ = true;
        return true;
    }

    bool inputEnded() const { return inputEnded_; }

    void finish(ReadEnd end)
    {
        if (end_ == ReadEnd::Complete)
            end_ = end;
    }

    // The input ended: complete when the format says its content ended
    // there, damaged (cut short) otherwise. A file of no bytes at all is an
    // empty file, whatever its name.
    void inputEndedAt(bool contentEnded) { finish(contentEnded || !inputSeen_ ? ReadEnd::Complete : ReadEnd::Damaged); }

private:
    std::uint64_t bound_;
    std::size_t chunk_;
    std::unique_ptr<unsigned char[]> input_;
    bool inputEnded_ = false;
    bool inputSeen_ = false;
    bool finished_ = false;
};

// gzip: one member or several in a row (concatenated archives, or pigz and
// bgzip output), each with its own checksum.
class GzipSource final : public DecompressingSource {
public:
    GzipSource(std::FILE* file, std::uint64_t bound, std::size_t chunk) : DecompressingSource(file, bound, chunk)
    {
        ready_ = inflateInit2(&stream_, 15 + 16) == Z_OK;
        if (!ready_)
            finish(ReadEnd::Damaged);
    }
    ~GzipSource() override
    {
        if (ready_)
            inflateEnd(&stream_);
    }

protected:
    std::size_t decode(char* buffer, std::size_t capacity) override
    {
        if (!ready_ || done_)
            return 0;
        // zlib counts in unsigned int.
        capacity = std::min<std::size_t>(capacity, UINT_MAX);
        stream_.next_out = reinterpret_cast<Bytef*>(buffer);
        stream_.avail_out = static_cast<uInt>(capacity);
        while (stream_.avail_out > 0) {
            if (stream_.avail_in == 0)
                refillStream();
            if (!memberOpen_) {
                if (stream_.avail_in == 0) {
                    inputEndedAt(true);
                    done_ = true;
                    break;
                }
                // More input after a member's end: the next member.
                inflateReset(&stream_);
                memberOpen_ = true;
            }
            const uInt before = stream_.avail_out;
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                memberOpen_ = false;
                continue;
            }
            if (result != Z_OK && result != Z_BUF_ERROR) {
                finish(ReadEnd::Damaged);
                done_ = true;
                break;
            }
            // Without input, inflate still hands out what it held back;
            // once it has nothing more, the member was cut short.
            if (inputEnded() && stream_.avail_in == 0 && stream_.avail_out == before) {
                inputEndedAt(false);
                done_ = true;
                break;
            }
        }
        return capacity - stream_.avail_out;
    }

private:
    void refillStream()
    {
        const unsigned char* next = nullptr;
        std::size_t available = 0;
        if (!refill(next, available))
            return;
        stream_.next_in = const_cast<Bytef*>(next);
        stream_.avail_in = static_cast<uInt>(available);
    }

    z_stream stream_{};
    bool ready_ = false;
    bool done_ = false;
    bool memberOpen_ = true;
};

// xz: one stream or several in a row. The decoder's memory is capped (the
// strongest preset, -9e, needs 65 MiB), so a header asking for a huge
// dictionary is a damaged file, not an allocation.
class XzSource final : public DecompressingSource {
public:
    static constexpr std::uint64_t MemoryLimit = std::uint64_t{128} << 20;

    XzSource(std::FILE* file, std::uint64_t bound, std::size_t chunk) : DecompressingSource(file, bound, chunk)
    {
        ready_ = lzma_stream_decoder(&stream_, MemoryLimit, LZMA_CONCATENATED) == LZMA_OK;
        if (!ready_)
            finish(ReadEnd::Damaged);
    }
    ~XzSource() override { lzma_end(&stream_); }

protected:
    std::size_t decode(char* buffer, std::size_t capacity) override
    {
        if (!ready_ || done_)
            return 0;
        stream_.next_out = reinterpret_cast<std::uint8_t*>(buffer);
        stream_.avail_out = capacity;
        while (stream_.avail_out > 0) {
            if (stream_.avail_in == 0) {
                const unsigned char* next = nullptr;
                std::size_t available = 0;
                if (refill(next, available)) {
                    stream_.next_in = next;
                    stream_.avail_in = available;
                }
            }
            const lzma_ret result = lzma_code(&stream_, inputEnded() ? LZMA_FINISH : LZMA_RUN);
            if (result == LZMA_STREAM_END) {
                inputEndedAt(true);
                done_ = true;
                break;
            }
            if (result != LZMA_OK) {
                // Past the end of the input every complaint means the same:
                // the file was cut short (or had nothing in it at all).
                if (inputEnded() && stream_.avail_in == 0)
                    inputEndedAt(false);
                else
                    finish(ReadEnd::Damaged);
                done_ = true;
                break;
            }
        }
        return capacity - stream_.avail_out;
    }

private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
    bool ready_ = false;
    bool done_ = false;
};

// zstd: frames in a row, skippable frames passed over. The decoder's window
// stays within the library's default limit (128 MiB), for the same reason
// as xz's.
class ZstdSource final : public DecompressingSource {
public:
    ZstdSource(std::FILE* file, std::uint64_t bound, std::size_t chunk)
        : DecompressingSource(file, bound, chunk), stream_(ZSTD_createDStream())
    {
        if (!stream_ || ZSTD_isError(ZSTD_initDStream(stream_)))
            finish(ReadEnd::Damaged);
    }
    ~ZstdSource() override { ZSTD_freeDStream(stream_); }

protected:
    std::size_t decode(char* buffer, std::size_t capacity) override
    {
        if (!stream_ || end_ != ReadEnd::Complete || done_)
            return 0;
        ZSTD_outBuffer out{buffer, capacity, 0};
        while (out.pos < out.size) {
            bool ended = false;
            if (input_.pos == input_.size) {
                const unsigned char* next = nullptr;
                std::size_t available = 0;
                if (refill(next, available))
                    input_ = ZSTD_inBuffer{next, available, 0};
                else
                    ended = true;
            }
            const std::size_t before = out.pos;
            const std::size_t consumedBefore = input_.pos;
            const std::size_t result = ZSTD_decompressStream(stream_, &out, &input_);
            if (ZSTD_isError(result)) {
                finish(ReadEnd::Damaged);
                done_ = true;
                break;
            }
            // A call without progress asks for the next frame's header; it
            // does not reopen the frame that ended.
            if (out.pos != before || input_.pos != consumedBefore)
                frameDone_ = result == 0;
            if (ended && out.pos == before) {
                inputEndedAt(frameDone_);
                done_ = true;
                break;
            }
        }
        return out.pos;
    }

private:
    ZSTD_DStream* stream_;
    ZSTD_inBuffer input_{nullptr, 0, 0};
    bool frameDone_ = true;
    bool done_ = false;
};

} // namespace

Compression compressionOfName(std::string_view name)
{
    for (const Suffix& suffix : Suffixes) {
        if (endsWithFolded(name, suffix.text))
            return suffix.compression;
    }
    return Compression::None;
}

std::string_view uncompressedName(std::string_view name)
{
    for (const Suffix& suffix : Suffixes) {
        if (endsWithFolded(name, suffix.text))
            return name.substr(0, name.size() - suffix.text.size());
    }
    return name;
}

BlockSource::~BlockSource()
{
    if (file_)
        std::fclose(file_);
}

std::unique_ptr<BlockSource> makeBlockSource(std::FILE* file, Compression compression, std::uint64_t outputBound,
                                             std::size_t inputChunk)
{
    switch (compression) {
    case Compression::None:
        break;
    case Compression::Gzip:
        return std::make_unique<GzipSource>(file, outputBound, inputChunk);
    case Compression::Xz:
        return std::make_unique<XzSource>(file, outputBound, inputChunk);
    case Compression::Zstd:
        return std::make_unique<ZstdSource>(file, outputBound, inputChunk);
    }
    return std::make_unique<PlainSource>(file);
}

std::size_t readUpTo(BlockSource& source, char* buffer, std::size_t size)
{
    std::size_t filled = 0;
    while (filled < size) {
        const std::size_t got = source.read(buffer + filled, size - filled);
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

} // namespace zelkam
