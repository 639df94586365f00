#include "parse/tokenizer.h"

namespace zelkam {

void tokenizeLine(std::string_view rest, TokenTable& tokens, int maxTokens)
{
    tokens.clear();
    const std::size_t n = rest.size();
    std::size_t p = 0;
    while (p < n && !tokens.full() && tokens.count() < maxTokens) {
        if (rest[p] == '"') {
            // Only quotes change the depth, so jump from quote to quote. A
            // quote right after a space (the space not being the opening
            // quote itself) opens an inner level, unless it is the text's
            // last character; any other quote closes one.
            const std::size_t open = p;
            std::size_t cursor = open;
            int depth = 1;
            while (depth > 0) {
                cursor = rest.find('"', cursor + 1);
                if (cursor == std::string_view::npos)
                    break;
                const bool afterSpace = cursor > open + 1 && rest[cursor - 1] == ' ';
                if (afterSpace && cursor + 1 != n)
                    ++depth;
                else
                    --depth;
            }
            if (cursor == std::string_view::npos) {
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
