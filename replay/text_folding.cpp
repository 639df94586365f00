#include "replay/text_folding.h"

#include <utf8proc.h>

namespace zelkam {

void appendCaseFolded(std::string& out, std::string_view utf8)
{
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(utf8.data());
    auto left = static_cast<utf8proc_ssize_t>(utf8.size());
    // One code point folds to at most three; the room is generous so that a
    // mapping growing in a later Unicode version is still not cut.
    utf8proc_int32_t folded[16];
    utf8proc_uint8_t encoded[4];
    while (left > 0) {
        utf8proc_int32_t code = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &code);
        if (length <= 0) {
            // Not UTF-8 after all: keep the byte rather than lose the text.
            out += static_cast<char>(*bytes);
            ++bytes;
            --left;
            continue;
        }
        bytes += length;
        left -= length;
        if (code < 0x80) {
            out += static_cast<char>(code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code);
            continue;
        }
        int boundClass = UTF8PROC_BOUNDCLASS_START;
        const utf8proc_ssize_t count =
            utf8proc_decompose_char(code, folded, sizeof folded / sizeof folded[0], UTF8PROC_CASEFOLD, &boundClass);
        if (count <= 0 || count > static_cast<utf8proc_ssize_t>(sizeof folded / sizeof folded[0])) {
            out.append(reinterpret_cast<const char*>(encoded), utf8proc_encode_char(code, encoded));
            continue;
        }
        for (utf8proc_ssize_t i = 0; i < count; ++i)
            out.append(reinterpret_cast<const char*>(encoded), utf8proc_encode_char(folded[i], encoded));
    }
}

const std::bitset<128>& asciiFromWiderFolds()
{
    static const std::bitset<128> found = [] {
        std::bitset<128> ascii;
        std::string folded;
        utf8proc_uint8_t encoded[4];
        for (utf8proc_int32_t code = 0x80; code <= 0x10FFFF; ++code) {
            // Only characters with a folding entry fold to anything but
            // themselves; the look-up skips the rest of the code space fast.
            if ((code >= 0xD800 && code <= 0xDFFF) || utf8proc_get_property(code)->casefold_seqindex == UINT16_MAX)
                continue;
            folded.clear();
            const auto length = utf8proc_encode_char(code, encoded);
            appendCaseFolded(folded, std::string_view(reinterpret_cast<const char*>(encoded), length));
            for (char c : folded) {
                if (static_cast<unsigned char>(c) < 0x80)
                    ascii.set(static_cast<unsigned char>(c));
            }
        }
        return ascii;
    }();
    return found;
}

bool isAscii(std::string_view bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace zelkam
