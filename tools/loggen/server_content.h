#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/loggen/random.h"

namespace zelkam {

// The fixed vocabulary of the generated server: maps, weapons, console
// variables, chat lines and the people who play. Everything here is plain
// data; the simulation decides when each piece shows up.

struct MapInfo {
    std::string_view name;
    std::string_view crc;  // as the server prints it: a signed 32-bit number
    bool hasBomb;          // "de_" maps have a bomb, "cs_" maps hostages
};

struct WeightedText {
    std::string_view text;
    int weight;
};

struct ServerCvar {
    std::string_view name;
    std::string_view value;
};

std::span<const MapInfo> mapCycle();
// Kill weapons weighted roughly as a public server uses them.
std::span<const WeightedText> killWeapons();
// The variables listed between "Server cvars start" and "Server cvars end".
std::span<const ServerCvar> serverCvars();
std::span<const std::string_view> publicChat();
std::span<const std::string_view> teamChat();
// Chat written after the map's last round ("gg" and the like).
std::span<const std::string_view> mapEndChat();
std::span<const std::string_view> rconCommands();
std::span<const std::string_view> badRconCommands();
// Passwords tried by strangers; some hold spaces.
std::span<const std::string_view> wrongPasswords();
// The plugin loader's lines around a map change; %s is never used, the
// lines are written as they are.
std::span<const std::string_view> metamodLines();

// Picks an entry with probability proportional to its weight.
std::string_view pickWeighted(std::span<const WeightedText> table, Random& random);

// Someone who plays on the server now and then. Everything but the name is
// kept for good: a person reconnects with the same network id and address.
struct Person {
    std::string name;
    std::string otherName;  // what the person sometimes renames to
    std::string steamId;    // "STEAM_0:1:234", or "STEAM_ID_LAN" for a cracked client
    std::string address;    // "81.2.69.160:27005"
    bool admin = false;     // sends remote-console commands from this address
};

// Makes count people (at least three dozen) with distinct names of at most 31
// bytes. A few names are UTF-8, a few hold Windows-1252 bytes, one holds
// angle brackets; some people share an address (a household or a café
// behind one router).
std::vector<Person> makePeople(int count, Random& random);

} // namespace zelkam
