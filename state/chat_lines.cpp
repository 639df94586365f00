#include "state/chat_lines.h"

#include <cstring>
#include <iterator>

#include "state/live_state.h"

namespace zelkam {
namespace {

// Name pieces show at most 40 characters, new names 40, messages and
// commands 127: together with the fixed pieces a line stays under 190
// characters, well inside its 256-character buffer.
constexpr std::size_t NameLimit = 40;
constexpr std::size_t NewNameLimit = 40;
constexpr std::size_t MessageLimit = 127;

// Composes a line in place. Every piece is bounded, and the writer itself
// never passes the buffer's last byte, which always ends the text.
class LineWriter {
public:
    explicit LineWriter(ChatLine& line) : line_(line), buffer_(line.text)
    {
        buffer_[0] = '\0';
        for (TextSpan& piece : line_.logPieces)
            piece = TextSpan{};
    }
    ~LineWriter() { buffer_[length_] = '\0'; }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Appends piece up to its terminator or limit characters, whichever
    // comes first. A null piece reads as empty.
    void append(const char* piece, std::size_t limit = sizeof(ChatLine::text))
    {
        if (!piece)
            return;
        for (std::size_t i = 0; i < limit && piece[i] != '\0' && length_ + 1 < sizeof(ChatLine::text); ++i)
            buffer_[length_++] = piece[i];
    }

    // Appends a piece that came from the log and marks where it stands.
    void appendLogPiece(const char* piece, std::size_t limit)
    {
        const std::size_t start = length_;
        append(piece, limit);
        if (pieces_ < std::size(line_.logPieces))
            line_.logPieces[pieces_++] =
                TextSpan{static_cast<std::uint8_t>(start), static_cast<std::uint8_t>(length_ - start)};
    }

private:
    ChatLine& line_;
    char* buffer_;
    std::size_t length_ = 0;
    std::size_t pieces_ = 0;
};

const char* teamTag(std::int32_t team)
{
    switch (team) {
    case Team::Terrorist:
        return "(Terrorist) ";
    case Team::CounterTerrorist:
        return "(CT) ";
    default:
        return "";
    }
}

const char* joinedTeamName(std::int32_t team)
{
    switch (team) {
    case Team::Terrorist:
        return "Terrorists";
    case Team::None:
        // A "SPECTATOR" join leaves the player without a team.
        return "Spectators";
    default:
        return "Counter-Terrorists";
    }
}

} // namespace

namespace {

ChatLine* appendLine(LiveState& state, std::int32_t time, std::int32_t style)
{
    ChatLine* line = state.chatLines.appendDroppingOldest();
    if (!line)
        return nullptr;
    line->time = time;
    line->style = style;
    line->text[0] = '\0';
    for (TextSpan& piece : line->logPieces)
        piece = TextSpan{};
    return line;
}

} // namespace

char* appendChatLine(LiveState& state, std::int32_t time, std::int32_t style)
{
    ChatLine* line = appendLine(state, time, style);
    return line ? line->text : nullptr;
}

void emitChatLine(LiveState& state, const PlayerEntry& entry, std::int32_t time, std::int32_t kind,
                  const char* text, ChatText compose)
{
    if (kind < LeftGameLine || kind > BadRconLine)
        return;
    const bool isChat = kind == SayLine || kind == SayTeamLine;
    ChatLine* composed = appendLine(state, time, isChat ? entry.team : LineStyle::Neutral);
    if (!composed || compose == ChatText::SlotOnly)
        return;

    LineWriter line(*composed);
    switch (kind) {
    case LeftGameLine:
        line.append("* ");
        line.appendLogPiece(entry.name, NameLimit);
        line.append(" has left the game");
        break;
    case SayLine:
    case SayTeamLine:
        if (entry.lifeState == LifeState::Dead)
            line.append("*DEAD*");
        if (kind == SayTeamLine)
            line.append(teamTag(entry.team));
        line.appendLogPiece(entry.name, NameLimit);
        line.append(" : ");
        line.appendLogPiece(text, MessageLimit);
        break;
    case NameChangeLine:
        line.append("* ");
        line.appendLogPiece(entry.name, NameLimit);
        line.append(" changed name to ");
        line.appendLogPiece(text, NewNameLimit);
        break;
    case JoinedTeamLine:
        line.append("* ");
        line.appendLogPiece(entry.name, NameLimit);
        line.append(" joined the ");
        line.append(joinedTeamName(entry.team));
        break;
    case RconLine:
        line.append("<");
        line.appendLogPiece(entry.name, NameLimit);
        line.append("> ");
        line.appendLogPiece(text, MessageLimit);
        break;
    case BadRconLine:
        line.append("<");
        line.appendLogPiece(entry.name, NameLimit);
        line.append(" (bad rcon pass)> ");
        line.appendLogPiece(text, MessageLimit);
        break;
    }
}

} // namespace zelkam
