#include "fuzz/players_log.h"

#include <cstdio>
#include <iterator>

namespace zelkam::fuzz {

const char* const PlayersLog::FileNames[Days] = {"L0705000.log", "L0706000.log", "L0707000.log"};

namespace {

const char* const Names[] = {"Al", "Bo", "Player", "Cy", "", "Al Bo", "\xff\xfe", "a name well past the length of most",
                             "\x1b]0;x\x07\x1b[2J", "\xe2\x80\xaenimdA", "Admin\xe2\x81\xa5", "#2"};
const char* const Ids[] = {"STEAM_0:1:1",      "STEAM_0:1:2",  "STEAM_1:1:2", "STEAM_2:1:1",  "STEAM_0:1:12345678901",
                           "STEAM_ID_PENDING", "STEAM_ID_LAN", "VALVE_ID_LAN", "BOT",         "HLTV",
                           "",                 "345678"};
const char* const Addresses[] = {"10.0.0.1:1", "10.0.0.2:1", "10.0.0.1:2", "[2001:db8::1]:27005", "loopback", "none"};
const char* const Teams[] = {"", "TERRORIST", "CT", "SPECTATOR", "UNASSIGNED"};
const char* const Weapons[] = {"ak47", "awp", "knife", "world", "", "AK47"};
const char* const Deeds[] = {"Planted_The_Bomb", "Defused_The_Bomb", "Rescued_A_Hostage", "Begin_Bomb_Defuse_With_Kit"};
const char* const Maps[] = {"de_dust", "cs_office", "de_dust2", ""};
const char* const Wins[] = {"Team \"CT\" triggered \"CTs_Win\" (CT \"1\") (T \"0\")",
                            "Team \"TERRORIST\" triggered \"Terrorists_Win\" (CT \"0\") (T \"1\")",
                            "Team \"CT\" triggered \"Target_Saved\" (CT \"2\") (T \"1\")"};
// Chat, some of it what a page, a terminal or a spreadsheet would act on.
const char* const Messages[] = {"hi", "<script>alert(1)</script>", "<img src=x onerror=alert(1)>",
                                "\x1b[31mred", "a\u202Eb", "rcon_password leak", "=1+1", "&amp;\"'</td>"};
// Commands, some of them meaning a player by user id, id, name or address.
const char* const Commands[] = {"status", "kick #2", "kick Al", "banid 5 STEAM_0:1:1 kick", "addip 60 10.0.0.1",
                                "amx_kick Bo", "amx_slay #1", "rcon_password secret", "users"};
const char* const Dates[] = {"07/05/2001", "07/06/2001", "07/07/2001"};

template <typename Pool>
const char* pick(const Pool& pool, unsigned byte)
{
    return pool[byte % std::size(pool)];
}

class Writer {
public:
    explicit Writer(FuzzProgram& program) : program_(program) {}

    PlayersLog write()
    {
        for (int op = 0; op < 400 && !program_.done(); ++op)
            step();
        return log_;
    }

private:
    // A player token; user ids from a few small ones, spaced ones (runs of
    // numbers that land on one slot) and the shutdown's -1.
    std::string player()
    {
        const std::uint8_t b = program_.byte();
        const int userIds[] = {1, 2, 3, 4, 1 << 20, 2 << 20, -1};
        return std::string("\"") + pick(Names, b) + "<" + std::to_string(userIds[(b >> 3) % std::size(userIds)]) + "><" +
               pick(Ids, program_.byte()) + "><" + pick(Teams, b >> 5u) + ">\"";
    }

    void line(const std::string& rest)
    {
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "L %s - %02d:%02d:%02d: ", Dates[day_], seconds_ / 3600, seconds_ / 60 % 60,
                      seconds_ % 60);
        log_.days[day_] += stamp + rest + "\n";
    }

    void step()
    {
        const std::uint8_t op = program_.byte();
        switch (op % 20) {
        case 0: {
            // Time moves on, past midnight now and then, or back a little.
            const std::uint8_t by = program_.byte();
            seconds_ += by < 200 ? by : (by - 199) * 1500;
            if (seconds_ >= 86400 && day_ + 1 < PlayersLog::Days) {
                seconds_ -= 86400;
                ++day_;
            }
            seconds_ = seconds_ < 86399 ? seconds_ : 86399;
            break;
        }
        case 1: seconds_ = seconds_ > 30 ? seconds_ - 30 : 0; break;
        case 2:
        case 3: line(player() + " connected, address \"" + pick(Addresses, program_.byte()) + "\""); break;
        case 4: line(player() + " disconnected"); break;
        case 5: line(player() + " entered the game"); break;
        case 6: line(player() + " joined team \"" + pick(Teams, program_.byte()) + "\""); break;
        case 7: line(player() + " changed name to \"" + pick(Names, program_.byte()) + "\""); break;
        case 8: {
            const std::uint8_t b = program_.byte();
            line(player() + (b % 2 ? " say \"" : " say_team \"") + pick(Messages, b >> 1u) + "\"");
            break;
        }
        case 9:
        case 10:
        case 11: line(player() + " killed " + player() + " with \"" + pick(Weapons, program_.byte()) + "\""); break;
        case 12: line(player() + " committed suicide with \"" + pick(Weapons, program_.byte()) + "\""); break;
        case 13: {
            const std::uint8_t b = program_.byte();
            line(std::string(b % 2 ? "Rcon" : "Bad Rcon") + ": \"rcon 1 pw " + pick(Commands, program_.byte()) +
                 "\" from \"" + pick(Addresses, b >> 1u) + "\"");
            break;
        }
        case 14: line("World triggered \"Round_Start\""); break;
        case 15: line(std::string("Started map \"") + pick(Maps, program_.byte()) + "\" (CRC \"-1\")"); break;
        case 16: line(pick(Wins, program_.byte())); break;
        case 17: line(player() + " triggered \"" + pick(Deeds, program_.byte()) + "\""); break;
        default: {
            // The same killer again, as a player's runs of kills come.
            const std::string killer = player();
            line(killer + " killed " + player() + " with \"awp\"");
            line(killer + " killed " + player() + " with \"awp\"");
            break;
        }
        }
    }

    FuzzProgram& program_;
    PlayersLog log_;
    int day_ = 0;
    int seconds_ = 22 * 3600;
};

} // namespace

PlayersLog writePlayersLog(FuzzProgram& program)
{
    return Writer(program).write();
}

void writePlayersFolder(const ScratchFolder& scratch, const PlayersLog& log)
{
    scratch.clear();
    for (int d = 0; d < PlayersLog::Days; ++d) {
        if (!log.days[d].empty())
            scratch.write(PlayersLog::FileNames[d], log.days[d]);
    }
}

} // namespace zelkam::fuzz
