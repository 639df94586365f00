#pragma once

#include <cstdint>
#include <cstdio>

#include "ingest/block_source.h"

namespace zelkam {

// Marks a piece that reads on through the end of its file.
inline constexpr std::uint64_t ToTheEnd = ~std::uint64_t{0};

// The lines of a plain file that begin in [begin, end), as one stream of
// content: from the first line start at or after begin through the line
// feed of the line that holds byte end - 1 (through the file's end when end
// is ToTheEnd). Pieces cut at the same offsets thus hand out every line of
// the file once, whole, whatever their sizes and wherever the line feeds
// fall. The source takes the open file over and closes it.
class PieceSource final : public BlockSource {
public:
    PieceSource(std::FILE* file, std::uint64_t begin, std::uint64_t end);

    std::size_t read(char* buffer, std::size_t capacity) override;

    // Just past the last byte read from the file, 0 when none was.
    std::uint64_t position() const { return read_ ? position_ : 0; }
    // Just past the last line feed read from the file, skipped bytes
    // included; 0 when there was none.
    std::uint64_t feedEnd() const { return feedEnd_; }

private:
    std::uint64_t until_;
    bool skipping_;
    bool stopped_ = false;
    bool read_ = false;
    std::uint64_t position_;
    std::uint64_t feedEnd_ = 0;
};

} // namespace zelkam
