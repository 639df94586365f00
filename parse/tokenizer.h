#pragma once

#include <array>
#include <string_view>

namespace zelkam {

// The tokens of the line being processed. Tokens are views into the line
// (or the text given to tokenizeLine) and stay valid as long as it does;
// each is at most 255 bytes.
class TokenTable {
public:
    static constexpr int Capacity = 16;
    static constexpr std::size_t MaxTokenLength = 255;

    // Token i, or an empty text when i is not below count(), so the
    // recogniser can compare any position without checking the count.
    std::string_view token(int i) const
    {
        return i >= 0 && i < count_ ? slots_[static_cast<std::size_t>(i)] : std::string_view();
    }
    int count() const { return count_; }
    bool full() const { return count_ == Capacity; }

    void clear() { count_ = 0; }
    // Stores the token, cut to MaxTokenLength; false when the table is full.
    bool append(std::string_view token)
    {
        if (full())
            return false;
        slots_[static_cast<std::size_t>(count_++)] = token.substr(0, MaxTokenLength);
        return true;
    }

private:
    std::array<std::string_view, Capacity> slots_{};
    int count_ = 0;
};

// Splits the rest of a log line (what follows the 25-character prefix) into
// tokens: quoted strings without their quotes, and the runs of text between
// them. A quote preceded by a space opens an inner level and any other quote
// closes one, so chat and remote-console texts keep their inner quotes; a
// quoted token that never closes takes the rest of the text and ends the
// line. One space is skipped after a token and one trailing space is left
// out of a run, so further spaces stay inside the next token. Tokenising
// stops when the table is full, or after maxTokens tokens for a caller that
// reads no further.
void tokenizeLine(std::string_view rest, TokenTable& tokens, int maxTokens = TokenTable::Capacity);

} // namespace zelkam
