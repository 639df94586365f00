#include "ingest/piece_source.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "ingest/open_file.h"

namespace zelkam {

PieceSource::PieceSource(std::FILE* file, std::uint64_t begin, std::uint64_t end)
    : BlockSource(file), until_(end), skipping_(begin > 0), position_(begin > 0 ? begin - 1 : 0)
{
    if (!seekTo(file, position_)) {
        until_ = 0;
        end_ = ReadEnd::Unreadable;
        stopped_ = true;
    }
}

std::size_t PieceSource::read(char* buffer, std::size_t capacity)
{
    while (!stopped_) {
        const std::size_t got = std::fread(buffer, 1, capacity, file_);
        if (got == 0) {
            if (std::ferror(file_))
                end_ = ReadEnd::Unreadable;
            stopped_ = true;
            break;
        }
        const std::uint64_t at = position_;
        position_ += got;
        read_ = true;
        const std::string_view chunk(buffer, got);
        if (const std::size_t feed = chunk.rfind('\n'); feed != std::string_view::npos)
            feedEnd_ = at + feed + 1;
        std::size_t from = 0;
        if (skipping_) {
            const std::size_t feed = chunk.find('\n');
            if (feed == std::string_view::npos)
                continue;
            skipping_ = false;
            from = feed + 1;
            if (at + from >= until_) {
                stopped_ = true;
                break;
            }
        }
        std::size_t to = got;
        if (until_ != ToTheEnd) {
            const std::uint64_t lastByte = std::max<std::uint64_t>(at + from, until_ - 1) - at;
            if (lastByte < got) {
                if (const std::size_t feed = chunk.find('\n', lastByte); feed != std::string_view::npos) {
                    to = feed + 1;
                    stopped_ = true;
                }
            }
        }
        if (to == from)
            continue;
        if (from > 0)
            std::memmove(buffer, buffer + from, to - from);
        delivered_ += to - from;
        return to - from;
    }
    return 0;
}

} // namespace zelkam
