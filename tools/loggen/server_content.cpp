#include "tools/loggen/server_content.h"

#include <algorithm>
#include <array>
#include <set>

namespace zelkam {
namespace {

constexpr MapInfo maps[] = {
    {"de_dust2", "1159425449", true},   {"de_inferno", "-1385536117", true}, {"de_nuke", "705271802", true},
    {"cs_office", "-1897283460", false}, {"de_train", "-663702360", true},   {"de_aztec", "2030153398", true},
    {"cs_italy", "1453906270", false},  {"de_dust", "-817326152", true},    {"de_cbble", "391755871", true},
    {"cs_assault", "-212086433", false}, {"de_prodigy", "1834170554", true}, {"de_piranesi", "-1105470293", true},
};

constexpr WeightedText weapons[] = {
    {"ak47", 143}, {"m4a1", 100}, {"sg552", 30}, {"galil", 40}, {"deagle", 60}, {"aug", 25}, {"mp5navy", 37},
    {"scout", 30}, {"usp", 35},   {"famas", 28}, {"sg550", 8},  {"awp", 45},    {"ump45", 15}, {"knife", 12},
    {"xm1014", 12}, {"tmp", 10},  {"p228", 10},  {"glock18", 20}, {"fiveseven", 9}, {"m3", 10}, {"mac10", 9},
    {"grenade", 14}, {"g3sg1", 4}, {"p90", 12},  {"elite", 5},  {"m249", 4},
};

constexpr ServerCvar cvars[] = {
    {"allow_spectators", "1.0"},  {"coop", "0"},              {"deathmatch", "1"},
    {"mp_autokick", "1"},         {"mp_autoteambalance", "1"}, {"mp_buytime", "0.25"},
    {"mp_c4timer", "35"},         {"mp_chattime", "10"},      {"mp_fadetoblack", "0"},
    {"mp_flashlight", "1"},       {"mp_footsteps", "1"},      {"mp_forcecamera", "0"},
    {"mp_freezetime", "3"},       {"mp_friendlyfire", "1"},   {"mp_limitteams", "2"},
    {"mp_logdetail", "0"},        {"mp_logmessages", "1"},    {"mp_maxrounds", "0"},
    {"mp_roundtime", "2.5"},      {"mp_startmoney", "800"},   {"mp_timelimit", "30"},
    {"mp_tkpunish", "1"},         {"pausable", "0"},          {"sv_airaccelerate", "10"},
    {"sv_contact", ""},           {"sv_gravity", "800"},      {"sv_maxrate", "25000"},
    {"sv_maxspeed", "320"},
};

// Chat keeps to plain phrases, with a few of the awkward cases a reader must
// survive: inner quotes, leading and doubled spaces, UTF-8 and Windows-1252.
constexpr std::string_view chat[] = {
    "gg",
    "lol",
    "nice shot",
    "rush b",
    "wtf",
    "/rtv",
    "rtv",
    "nextmap",
    "timeleft",
    "/top15",
    "/rank",
    "ct go go go",
    "noob",
    "who has the bomb?",
    "haha",
    "gl hf",
    "brb",
    "omg",
    ":D",
    "ty",
    "np",
    "rr",
    " /rr",
    "plz stop camping",
    "he said \"no camping\" lol",
    "\"ok\"",
    "type \"/rs\" to reset your score",
    "lag!!!",
    "admin?",
    "kick him he is wallhacking",
    "awp on mid",
    "xD",
    "ez",
    "sry",
    "stop   spamming",
    "where is everybody",
    "good morning",
    "bye all",
    "wp",
    "n1",
    "hs!",
    "what the \"hell\" was that",
    "anyone from germany?",
    "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xd0\xb2\xd1\x81\xd0\xb5\xd0\xbc",
    "sch\xc3\xb6n gespielt",
    "\xc2\xa1" "buena ronda!",
    "caf\xe9 break, brb",
    "\xa1ol\xe9!",
    "\xe5\xa5\xbd\xe7\x90\x83",
};

constexpr std::string_view teamChats[] = {
    "[ ## BOMB ## ]", "cover me", "i go a", "bomb b", "need backup", "enemy spotted", "hold", "go go go",
    "rush a", "2 long", "awp mid", "save", "eco round", "drop me a gun plz", "fall back", "stick together",
    "they are at \"banana\"", "\xd0\xbd\xd0\xb0 \xd0\xb1", "wait for flash",
};

constexpr std::string_view endChat[] = {"gg", "gg wp", "ggwp", "gg all", "nice map", "rtv next time", "gg ez"};

constexpr std::string_view rcons[] = {
    "status", "users", "stats", "amx_who", "say \"map change in 5 minutes\"", "mp_timelimit 30",
    "amx_reloadadmins", "sv_password \"\"", "maps *",
};

constexpr std::string_view badRcons[] = {
    "sv_contact \"HLXBrute\"", "status", "rcon_password", "stats", "cvarlist", "exec server.cfg",
};

constexpr std::string_view badPasswords[] = {
    "admin", "123456", "wrong pass", "lol", "ololo", "password", "rcon", "my server", "qwerty", "cs 1.6",
};

constexpr std::string_view metamod[] = {
    "[META] ini: Begin re-reading plugins list: /home/hlds/cstrike/addons/metamod/plugins.ini",
    "[META] ini: Read plugin config for: AMX Mod X",
    "[META] ini: Finished reading plugins list: /home/hlds/cstrike/addons/metamod/plugins.ini; Found 1 plugins",
    "[META] dll: Updating plugins...",
    "[META] dll: Finished updating 5 plugins; kept 1, loaded 0, unloaded 0, reloaded 0, delayed 0",
};

constexpr std::string_view handles[] = {
    "Blackout", "Viper",   "Ghost",   "Frag",    "Sniper", "Rusher",  "Shadow", "Hawk",    "Razor",   "Kobra",
    "Nemesis",  "Toxic",   "Zero",    "Mamba",   "Bullet", "Phantom", "Storm",  "Wolf",    "Jackal",  "Falcon",
    "Reaper",   "Hunter",  "Spike",   "Blaze",   "Dragon", "Ninja",   "Pirate", "Rocket",  "Tiger",   "Venom",
    "Yeti",     "Lynx",    "Orca",    "Panda",   "Raven",  "Scorpion", "Titan", "Vortex",  "Wasp",    "Nomad",
    "Bandit",   "Cactus",  "Diesel",  "Eagle",   "Fury",   "Gambit",  "Havoc",  "Iceman",  "Joker",   "Kilo",
    "Maverick", "Nitro",   "Onyx",    "Pixel",   "Quake",  "Rebel",   "Sarge",  "Tank",    "Ultra",   "Voodoo",
};

constexpr std::string_view tags[] = {"", "", "", "", "[TRK]", "=DK=", "|ELITE|", "-=KoS=-", "{LGN}", "xX", "*CFG*"};
constexpr std::string_view suffixes[] = {"", "", "", "", "_pro", "99", "2k", " jr", "^_^", "_ua", ".nl", "1337"};

// Names that test what a reader does with bytes beyond ASCII and with the
// characters that delimit a player token.
constexpr std::string_view specialNames[] = {
    "\xd0\x94\xd0\xbc\xd0\xb8\xd1\x82\xd1\x80\xd0\xb8\xd0\xb9",  // Cyrillic, UTF-8
    "J\xf6rg",                                                  // Windows-1252
    "\xef\xbc\xb4\xef\xbc\xb2\xef\xbc\xa1\xef\xbc\xb3\xef\xbc\xa8",  // fullwidth, UTF-8
    "M\xc3\xbcller",                                            // UTF-8
    "-=<Ghost>=-",
    "Ren\xe9 le Fou",                                           // Windows-1252
    "\xe5\xb0\x8f\xe9\xbe\x99",                                 // CJK, UTF-8
    "\xa7niper",                                                // Windows-1252
    "\xc5\x81ukasz",                                            // UTF-8
    "Big Bad Wolf",
    "(1)Player",
    "Fran\xe7ois",                                              // Windows-1252
};

constexpr int firstOctets[] = {24, 62, 77, 78, 81, 82, 85, 89, 91, 93, 94, 95, 109, 176, 178, 188, 194, 195, 212, 213, 217};

std::string makeAddress(Random& random)
{
    std::string address = std::to_string(firstOctets[random.below(std::size(firstOctets))]);
    for (int i = 0; i < 3; ++i) {
        address += '.';
        address += std::to_string(random.between(i == 2 ? 1 : 0, 254));
    }
    return address;
}

std::string makePort(Random& random)
{
    return random.chance(0.7) ? "27005" : std::to_string(random.between(1024, 65000));
}

std::string makeSteamId(Random& random)
{
    if (random.chance(0.05))
        return "STEAM_ID_LAN";
    return "STEAM_0:" + std::to_string(random.below(2)) + ":" + std::to_string(random.between(10000, 99999999));
}

} // namespace

std::span<const MapInfo> mapCycle() { return maps; }
std::span<const WeightedText> killWeapons() { return weapons; }
std::span<const ServerCvar> serverCvars() { return cvars; }
std::span<const std::string_view> publicChat() { return chat; }
std::span<const std::string_view> teamChat() { return teamChats; }
std::span<const std::string_view> mapEndChat() { return endChat; }
std::span<const std::string_view> rconCommands() { return rcons; }
std::span<const std::string_view> badRconCommands() { return badRcons; }
std::span<const std::string_view> wrongPasswords() { return badPasswords; }
std::span<const std::string_view> metamodLines() { return metamod; }

std::string_view pickWeighted(std::span<const WeightedText> table, Random& random)
{
    int total = 0;
    for (const WeightedText& entry : table)
        total += entry.weight;
    int pick = static_cast<int>(random.below(static_cast<std::uint32_t>(total)));
    for (const WeightedText& entry : table) {
        if (pick < entry.weight)
            return entry.text;
        pick -= entry.weight;
    }
    return table.back().text;
}

std::vector<Person> makePeople(int count, Random& random)
{
    count = std::max(count, 3 * static_cast<int>(std::size(specialNames)));
    std::set<std::string> taken(std::begin(specialNames), std::end(specialNames));
    const auto freshName = [&]() {
        for (;;) {
            std::string name(tags[random.below(std::size(tags))]);
            name += handles[random.below(std::size(handles))];
            name += suffixes[random.below(std::size(suffixes))];
            if (name.size() <= 31 && taken.insert(name).second)
                return name;
        }
    };

    std::vector<Person> people(static_cast<std::size_t>(count));
    for (Person& person : people) {
        person.name = freshName();
        person.otherName = freshName();
    }
    // Every awkward name goes to one of the regulars (the first third, who
    // play most), as the usual or the other name, so every folder has them.
    const auto regulars = static_cast<std::uint32_t>(people.size() / 3);
    std::vector<bool> hasSpecial(people.size(), false);
    for (std::string_view special : specialNames) {
        std::uint32_t index = random.below(regulars);
        while (hasSpecial[index])
            index = (index + 1) % regulars;
        hasSpecial[index] = true;
        (random.chance(0.7) ? people[index].name : people[index].otherName) = std::string(special);
    }

    for (std::size_t i = 0; i < people.size(); ++i) {
        Person& person = people[i];
        person.steamId = makeSteamId(random);
        person.admin = i < 2;
        if (i > 0 && random.chance(0.12)) {
            // Behind the same router as someone else: same address, another port.
            const std::string& other = people[random.below(static_cast<std::uint32_t>(i))].address;
            person.address = other.substr(0, other.find(':')) + ":" + std::to_string(random.between(27006, 27099));
        } else {
            person.address = makeAddress(random) + ":" + makePort(random);
        }
    }
    return people;
}

} // namespace zelkam
