#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "parse/log_parser.h"

namespace zelkam {

// Hands a file's bytes, read block by block, to the parser: the whole lines
// of each block go as one block; a line that straddles two blocks is
// gathered. Only the first 255 characters of a line count: the rest, up to
// its line feed, is dropped so that player text beyond that point can never
// pose as a line. Every reader of log files feeds its blocks through here.
class LineFeeder {
public:
    explicit LineFeeder(LogParser& parser) : parser_(parser) {}

    // Takes the next block read. Returns how many of its bytes end with its
    // last line feed (0 when it holds none).
    std::size_t feed(std::string_view block)
    {
        const std::size_t lastFeed = block.rfind('\n');
        const std::size_t wholeEnd = lastFeed == std::string_view::npos ? 0 : lastFeed + 1;
        std::size_t start = 0;
        if (gathering_) {
            const std::size_t feedAt = block.find('\n');
            gather(block.substr(0, feedAt == std::string_view::npos ? block.size() : feedAt + 1));
            if (feedAt == std::string_view::npos)
                return 0;
            parser_.processLine(std::string_view(line_, length_));
            length_ = 0;
            gathering_ = false;
            start = feedAt + 1;
        }
        if (wholeEnd > start)
            parser_.processLines(block.substr(start, wholeEnd - start));
        if (const std::size_t rest = std::max(start, wholeEnd); rest < block.size())
            gather(block.substr(rest));
        return wholeEnd;
    }

    // Whether the bytes fed so far end inside a line.
    bool inLine() const { return gathering_; }

    // Parses the unterminated last line as it stands; true when it made an
    // event.
    bool finishLine()
    {
        const std::size_t before = parser_.events().size();
        parser_.processLine(std::string_view(line_, length_));
        length_ = 0;
        gathering_ = false;
        return parser_.events().size() != before;
    }

private:
    void gather(std::string_view piece)
    {
        const std::size_t take = std::min(piece.size(), LogParser::MaxLineLength - length_);
        std::memcpy(line_ + length_, piece.data(), take);
        length_ += take;
        gathering_ = true;
    }

    LogParser& parser_;
    char line_[LogParser::MaxLineLength];
    std::size_t length_ = 0;
    bool gathering_ = false;
};

} // namespace zelkam
