#include "history/hit_prefilter.h"

#include <cstring>
#include <memory>

#include "ingest/block_source.h"
#include "ingest/open_file.h"
#include "replay/search.h"
#include "replay/text_folding.h"

namespace zelkam {
namespace {

constexpr std::size_t BufferSize = std::size_t{1} << 18;

// A rough rank of how often a byte occurs in log lines, higher for more
// common: the time stamps' digits and punctuation, the quotes and brackets
// of player tokens, then English letters by frequency. A rare anchor lets
// memchr leap over long runs.
int commonness(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        c = static_cast<unsigned char>(c - 'A' + 'a');
    constexpr std::string_view letters = "zqxjkvbpygfwmucldrhsnioate";
    if (const std::size_t at = letters.find(static_cast<char>(c)); at != std::string_view::npos)
        return 10 + static_cast<int>(at);
    if ((c >= '0' && c <= '9') || std::strchr(" \"<>:/._-", c))
        return 100;
    return 5;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalAt(const char* at, std::string_view needle, bool ignoreCase, std::optional<std::size_t> anyAt)
{
    if (anyAt) {
        return std::memcmp(at, needle.data(), *anyAt) == 0
               && std::memcmp(at + *anyAt + 1, needle.data() + *anyAt + 1, needle.size() - *anyAt - 1) == 0;
    }
    if (!ignoreCase)
        return std::memcmp(at, needle.data(), needle.size()) == 0;
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (lowerAscii(at[i]) != needle[i])
            return false;
    }
    return true;
}

} // namespace

HitPrefilter::HitPrefilter(SearchKind kind, std::string_view pattern, bool matchCase) : ignoreCase_(!matchCase)
{
    if (kind != SearchKind::Player && kind != SearchKind::Chat && kind != SearchKind::RconUser)
        return;
    const std::string prepared = prepareSearchPattern(pattern, matchCase);
    const std::bitset<128>& unsafe = asciiFromWiderFolds();
    // A name or chat text with a password in it is compared with its value
    // hidden ("rcon_password ***", parse/recognizer.h): the " ***" and the
    // quote that may close it were never logged. So no run holds a '*', and
    // a run leaves out a quote it starts with and the blanks it ends with,
    // the only places where it could meet those without a '*'.
    const auto usable = [&](unsigned char c) { return c < 0x80 && c != '*' && (matchCase || !unsafe.test(c)); };
    for (std::size_t i = 0; i < prepared.size();) {
        if (!usable(static_cast<unsigned char>(prepared[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < prepared.size() && usable(static_cast<unsigned char>(prepared[end])))
            ++end;
        std::size_t first = i;
        std::size_t last = end;
        while (first < last && prepared[first] == '"')
            ++first;
        while (last > first && prepared[last - 1] == ' ')
            --last;
        if (last - first > needle_.size())
            needle_ = prepared.substr(first, last - first);
        i = end;
    }
    chooseAnchor();
}

HitPrefilter::HitPrefilter(std::string_view bytes, std::optional<std::size_t> anyAt)
    : needle_(bytes), ignoreCase_(false), anyAt_(anyAt && *anyAt < bytes.size() ? anyAt : std::nullopt)
{
    // A needle of the one byte that may be any looks for nothing.
    if (anyAt_ && needle_.size() == 1)
        needle_.clear();
    chooseAnchor();
}

void HitPrefilter::chooseAnchor()
{
    anchorAt_ = anyAt_ == std::size_t{0} ? 1 : 0;
    for (std::size_t i = anchorAt_ + 1; i < needle_.size(); ++i) {
        if (i != anyAt_
            && commonness(static_cast<unsigned char>(needle_[i])) < commonness(static_cast<unsigned char>(needle_[anchorAt_])))
            anchorAt_ = i;
    }
}

HitPrefilter::~HitPrefilter() = default;

bool HitPrefilter::mayHit(std::string_view bytes) const
{
    if (needle_.empty())
        return true;
    if (bytes.size() < needle_.size())
        return false;
    // Candidates are the anchor byte's places, in both cases when case is
    // ignored: two memchr streams merged, so each byte is passed twice at
    // most, at the library's vectorised speed.
    const char anchor = needle_[anchorAt_];
    const char upper = ignoreCase_ && anchor >= 'a' && anchor <= 'z' ? static_cast<char>(anchor - 'a' + 'A') : anchor;
    const char* begin = bytes.data() + anchorAt_;
    const char* end = bytes.data() + bytes.size() - (needle_.size() - 1 - anchorAt_);
    const auto next = [&](const char* from, char c) -> const char* {
        if (from >= end)
            return end;
        const void* at = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return at ? static_cast<const char*>(at) : end;
    };
    const char* lower = next(begin, anchor);
    const char* other = upper == anchor ? end : next(begin, upper);
    while (lower < end || other < end) {
        const char* at = lower < other ? lower : other;
        if (equalAt(at - anchorAt_, needle_, ignoreCase_, anyAt_))
            return true;
        if (at == lower)
            lower = next(at + 1, anchor);
        else
            other = next(at + 1, upper);
    }
    return false;
}

bool HitPrefilter::mayHit(const std::filesystem::path& path, std::string_view name) const
{
    if (needle_.empty())
        return true;
    std::FILE* file = openLogForReading(path);
    if (!file)
        return true;
    const std::unique_ptr<BlockSource> source = makeBlockSource(file, compressionOfName(name));
    // A buffer kept from an earlier look: a fresh one per file would be
    // mapped and faulted in again for every file.
    struct Lent {
        const HitPrefilter& owner;
        std::unique_ptr<char[]> buffer;
        ~Lent() { owner.giveBack(std::move(buffer)); }
    } lent{*this, takeBuffer()};
    char* const buffer = lent.buffer.get();
    // Each read goes behind the last needle-length-less-one bytes of the one
    // before, so a needle across two reads is found too.
    const std::size_t keep = needle_.size() - 1;
    std::size_t held = 0;
    for (;;) {
        const std::size_t got = readUpTo(*source, buffer + held, BufferSize - held);
        if (got == 0)
            break;
        held += got;
        if (mayHit(std::string_view(buffer, held)))
            return true;
        if (held > keep) {
            std::memmove(buffer, buffer + held - keep, keep);
            held = keep;
        }
    }
    return source->end() != ReadEnd::Complete;
}

std::unique_ptr<char[]> HitPrefilter::takeBuffer() const
{
    {
        std::lock_guard lock(buffersMutex_);
        if (!buffers_.empty()) {
            std::unique_ptr<char[]> buffer = std::move(buffers_.back());
            buffers_.pop_back();
            return buffer;
        }
    }
    return std::make_unique<char[]>(BufferSize);
}

void HitPrefilter::giveBack(std::unique_ptr<char[]> buffer) const
{
    std::lock_guard lock(buffersMutex_);
    buffers_.push_back(std::move(buffer));
}

} // namespace zelkam
