#include "investigate/player_query.h"

#include <memory>

#include "history/hit_prefilter.h"
#include "parse/account_id.h"

namespace zelkam {

DayFilesLook PlayerQuery::dayLook() const
{
    // Every event of the player carries his player token, which holds his
    // unique id and his name as logged: a day without those bytes has none.
    // An id is compared exactly, so its look keeps letter case, and takes
    // the one byte the spellings of an account differ in as any.
    auto prefilter = byId ? std::make_shared<HitPrefilter>(
                                text, hasUniverseDigit(text) ? std::optional(UniverseDigitAt) : std::nullopt)
                          : std::make_shared<HitPrefilter>(SearchKind::Player, text, matchCase);
    if (!prefilter->isActive())
        return {};
    return [prefilter](const LogFileList& dayFiles) {
        for (const LogFileEntry& entry : dayFiles.entries) {
            if (prefilter->mayHit(dayFiles.pathOf(entry.name), entry.name))
                return true;
        }
        return false;
    };
}

SessionTest::SessionTest(const PlayerQuery& query)
    : query_(query), nameSearch_(SearchKind::Player, query.byId ? std::string() : query.text, query.matchCase, noPlayers_)
{
}

bool SessionTest::matchesName(std::string_view name)
{
    if (query_.byId)
        return false;
    const std::string copy(name);
    LogEvent named;
    named.kind = PlayerConnected;
    named.player.name = copy.c_str();
    return nameSearch_.matches(named);
}

bool SessionTest::matches(const PlayerSession& session)
{
    if (query_.byId)
        return isSameAccount(session.uniqueId, query_.text);
    for (const std::string& name : session.names) {
        if (matchesName(name))
            return true;
    }
    return false;
}

} // namespace zelkam
