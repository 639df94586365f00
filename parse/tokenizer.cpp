#include "parse/tokenizer.h"

namespace zelkam {

bool TokenTable::append(std::string_view token)
{
    if (full())
        return false;
    slots_[static_cast<std::size_t>(count_++)] = token.substr(0, MaxTokenLength);
    return true;
}

void tokenizeLine(std::string_view rest, TokenTable& tokens)
{
    tokens.clear();
    const std::size_t n = rest.size();
    std::size_t p = 0;
    while (p < n && !tokens.full()) {
        if (rest[p] == '"') {
            const std::size_t open = p;
            std::size_t cursor = open;
            int depth = 1;
            bool closed = true;
            while (depth > 0) {
                ++cursor;
                if (cursor >= n) {
                    closed = false;
                    break;
                }
                const bool spaceQuote = rest[cursor] == ' ' && cursor + 1 < n && rest[cursor + 1] == '"';
                if (spaceQuote && cursor + 2 == n) {
                    // The text's very last space and quote close a level.
                    --depth;
                    ++cursor;
                } else if (spaceQuote) {
                    ++depth;
                    ++cursor;
                } else if (rest[cursor] == '"') {
                    --depth;
                }
            }
            if (!closed) {
                // Unbalanced quotes: the token takes the rest of the line.
                tokens.append(rest.substr(open + 1));
                return;
            }
            tokens.append(rest.substr(open + 1, cursor - open - 1));
            p = cursor + 1;
        } else {
            std::size_t end = rest.find('"', p);
            if (end == std::string_view::npos)
                end = n;
            std::string_view word = rest.substr(p, end - p);
            if (!word.empty() && word.back() == ' ')
                word.remove_suffix(1);
            word = word.substr(0, TokenTable::MaxTokenLength);
            tokens.append(word);
            p += word.size();
        }
        if (p < n && rest[p] == ' ')
            ++p;
    }
}

} // namespace zelkam
