// zelkam-cli: the replay model without a display, for scripts, checks and
// servers. See usageText for what it does.

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/cli_commands.h"
#ifdef ZELKAM_HAVE_LISTEN
#include "cli/cli_listen.h"
#endif
#include "cli/cli_overview.h"
#include "cli/cli_follow.h"
#ifdef ZELKAM_HAVE_WATCH
#include "cli/cli_watch.h"
#endif
#include "cli/cli_investigate.h"
#include "cli/cli_servers.h"

namespace {

constexpr std::string_view usageText =
    "usage: zelkam-cli servers FOLDER\n"
    "       zelkam-cli now FOLDER\n"
    "       zelkam-cli days FOLDER\n"
    "       zelkam-cli events FOLDER DATE [--all-kinds] [--hide-addresses]\n"
    "       zelkam-cli replay FOLDER DATE [STEP ...] [--hide-addresses]\n"
    "       zelkam-cli chat FOLDER DATE\n"
    "       zelkam-cli grep FOLDER [--kind player|chat|rconuser|rconcmd] [--case] PATTERN\n"
    "       zelkam-cli listen --archive DIR --secret-file FILE [--port 27500] [--bind ADDR]\n"
    "                  [--allow ADDR[/BITS]]... [--allow-any] [--group-readable] [--verbose]\n"
    "       zelkam-cli listen --new-secret FILE\n"
    "       zelkam-cli overview FOLDER DATE [--csv]\n"
    "       zelkam-cli player FOLDER (--id UNIQUEID | --name PATTERN) [--case]\n"
    "       zelkam-cli follow FOLDER [--from DATE] [--kind chat|events] [--hide-addresses]\n"
    "       zelkam-cli stats FOLDER [--from DATE] [--to DATE] [--by player|weapon|map]\n"
    "                  [--sort COLUMN] [--min-kills N] [--bots] [--csv]\n"
    "       zelkam-cli watch FOLDER... --rules FILE [--community DIR] [--state DIR]\n"
    "                  [--once] [--catch-up DAYS]\n"
    "       zelkam-cli watch --check FILE\n"
    "       zelkam-cli timeline FOLDER (--id UNIQUEID | --name PATTERN) [--case] [--from DATE]\n"
    "                  [--to DATE] [--json] [--hide-addresses]\n"
    "       zelkam-cli alts FOLDER (--id UNIQUEID | --name PATTERN) [--case] [--json] [--hide-addresses]\n"
    "       zelkam-cli audit FOLDER [--from DATE] [--to DATE] [--json] [--hide-addresses]\n"
    "       zelkam-cli report FOLDER DATE --from HH:MM:SS --to HH:MM:SS [--id UNIQUEID | --name PATTERN]\n"
    "                  -o FILE.html [--show-addresses]\n"
    "       zelkam-cli --help | --version\n"
    "\n"
    "  servers  the servers of a community folder (a folder whose subfolders\n"
    "           hold the logs, as listen's archive), one JSON object a server:\n"
    "           name, hostname as logged, days, first and last day, the newest\n"
    "           line's time and whether it is live (a line in the last 5 minutes)\n"
    "  now      each server's map, players per team, newest chat line and\n"
    "           seconds since its newest line, from the end of its newest file\n"
    "  --server NAME  the server of a community that days, events, replay, chat,\n"
    "           overview, follow and report read (needed there); grep, player,\n"
    "           stats, timeline, alts and audit search every server unless it\n"
    "           narrows them, each result labelled with its server (alts links\n"
    "           accounts across the servers; audit adds up an address's\n"
    "           attempts on all of them)\n"
    "  days     the folder's days, ascending, one DD/MM/YYYY a line\n"
    "  events   every event of DATE's two-day window, one JSON object a line;\n"
    "           with --all-kinds also the lines only rankings count (kinds 14 on)\n"
    "  replay   loads DATE paused at its first event, prints the view, then runs\n"
    "           each STEP and prints the view after it, one JSON object a line\n"
    "  chat     the day's chat transcript, \"HH:MM:SS line\"\n"
    "  grep     searches every day with the rules of Find (default kind chat,\n"
    "           letter case ignored unless --case), \"DD/MM/YYYY HH:MM:SS line\"\n"
    "  listen   receives a game server's log lines over UDP (logaddress_add)\n"
    "           into DIR/<address>_<port>/, named as the server names its files,\n"
    "           until SIGINT or SIGTERM, then prints the counts. Set sv_logsecret\n"
    "           on the server and give the same secret in FILE (owned by you or\n"
    "           root, chmod 600: refused if group or others may read or write\n"
    "           it) or in ZELKAM_LISTEN_SECRET: only the secret proves a line is\n"
    "           the server's (--secret SECRET works but shows it in ps).\n"
    "           --new-secret FILE writes a random secret into a new file FILE\n"
    "           (0600) and prints the sv_logsecret line for the server.\n"
    "           --allow takes only those source addresses, which anyone can\n"
    "           forge; without a secret it warns. It will not start without a\n"
    "           secret, --allow or --allow-any. DIR is refused when it or any\n"
    "           folder on the way to it is a link, is not yours (or root's), or\n"
    "           group or others may write in it (a folder on the way may if it\n"
    "           has the sticky bit, as /tmp). What it makes is yours alone\n"
    "           (folders 0700, files 0600; --group-readable: 0750, 0640).\n"
    "           Port 0 picks a free port.\n"
    "           --verbose tells each drop.\n"
    "  overview the day minute by minute: players per team as the player list\n"
    "           shows them, kills, suicides, chat, rcon, failed rcon and map\n"
    "           starts; one JSON object a line, or CSV with a header (--csv)\n"
    "  player   every session of a player over all days, one JSON object a line:\n"
    "           by unique id as logged, or by any name used (matched as Find\n"
    "           matches names); a session ends at the disconnection, when the\n"
    "           same client connects again, or at midnight\n"
    "  follow   like tail -f: the chat lines (or events, one JSON object a line)\n"
    "           of the newest day, or of every day from --from on, then each new\n"
    "           one as the server writes it, moving on to the server's next day;\n"
    "           ends on Ctrl+C\n"
    "  stats    rankings over the days from --from to --to (default all), one\n"
    "           JSON object a row, or CSV with a header (--csv): per player\n"
    "           (unique id, or name for LAN ids; bots only with --bots), per\n"
    "           weapon or per map; sorted by COLUMN (a key of the rows)\n"
    "  watch    follows each server folder's live day (as follow does; the\n"
    "           folders in DIR with --community) and tells what the rules in\n"
    "           FILE find: printed, given to a command on its standard input or\n"
    "           posted to a web hook, at most one notice a rule and server per\n"
    "           its everySeconds. Keeps where it stopped in DIR of --state\n"
    "           (default ~/.local/state/zelkam/watch), so a restart tells\n"
    "           nothing twice and catches up at most DAYS (default 2) days.\n"
    "           --once catches up, tells and ends (for cron). --check FILE\n"
    "           checks a rules file\n"
    "  timeline every event naming the player, in time order over the days: his\n"
    "           sessions' starts and ends, connections (with the address),\n"
    "           entries, team joins, name changes, chat, kills and deaths (the\n"
    "           other player, the weapon), suicides, disconnections, rcon sent\n"
    "           from his address and every kick, ban or slay that meant him;\n"
    "           text lines, or one JSON object a line (--json)\n"
    "  alts     the other accounts that used one of the player's addresses or\n"
    "           names, strongest evidence first, with the evidence and whether\n"
    "           their sessions overlapped; shared ids (LAN, pending, bots) are\n"
    "           never evidence by themselves\n"
    "  audit    every rcon command and failed attempt, grouped by the address\n"
    "           it came from, with the players acted on, and warnings: repeated\n"
    "           failed attempts, a password setting changed, a new address\n"
    "  report   one self-contained HTML page (no script, nothing fetched) of\n"
    "           DATE from --from to --to: scoreboards at both ends, every event,\n"
    "           the chat, the players with their names and ids, an activity\n"
    "           plot; addresses shown as pseudonyms unless --show-addresses\n"
    "  --hide-addresses  every address shown as a pseudonym, the same for the\n"
    "           same address on this machine (a keyed hash; the key is made in\n"
    "           $XDG_CONFIG_HOME/zelkam/address-key on first use); in the JSON\n"
    "           of events, replay and follow a player's \"address\" (its\n"
    "           pseudonym) then stands for his \"addressKey\"\n"
    "\n"
    "An address is shown as the network a log line's address belongs to\n"
    "(its first three groups): a.b.c.*.\n"
    "DATE is DD/MM/YYYY and must be one of the folder's days.\n"
    "STEP is one of:\n"
    "  tick             one playback tick\n"
    "  tick:N           N ticks (N at least 1), printed once\n"
    "  cmd:ID           playback command 0 to 15 (1 <<, 2 ||, 3 >, 4 >>, 5 >>>)\n"
    "  seek:HH:MM:SS    seek to that time of the loaded day\n"
    "  minute:M         move the trackbar to minute M (pauses)\n"
    "  find:KIND:PAT    find the next event, letter case ignored\n"
    "  findcase:KIND:PAT  find the next event, letter case matched\n"
    "  day:DATE         load another day of the folder\n"
    "\n"
    "Exit status: 0 done, 1 nothing to show (no logs, no such day, no hit),\n"
    "2 usage error.\n";

} // namespace

int main(int argc, char** argv)
{
    using namespace zelkam::cli;
    prepareStandardStreams();
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args = commandArguments(argc, argv);
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help") {
            std::cout << usageText;
            return Done;
        }
        if (arg == "--version") {
            std::cout << "zelkam-cli " << ZELKAM_VERSION << '\n';
            return Done;
        }
    }
    int status = UsageError;
    std::string command;
    if (args.empty()) {
        usageError("missing command: days, events, replay, chat or grep");
    } else {
        command = args[0];
        args.erase(args.begin());
        if (takesServerOption(command) && !takeServerOption(args))
            status = UsageError;
        else if (command == "servers")
            status = runServers(args);
        else if (command == "now")
            status = runNow(args);
        else if (command == "days")
            status = runDays(args);
        else if (command == "events")
            status = runEvents(args);
        else if (command == "replay")
            status = runReplay(args);
        else if (command == "chat")
            status = runChat(args);
        else if (command == "grep")
            status = runGrep(args);
#ifdef ZELKAM_HAVE_LISTEN
        else if (command == "listen")
            status = runListen(args);
#endif
        else if (command == "overview")
            status = runOverview(args);
        else if (command == "player")
            status = runPlayer(args);
        else if (command == "follow")
            status = runFollow(args);
        else if (command == "stats")
            status = runStats(args);
#ifdef ZELKAM_HAVE_WATCH
        else if (command == "watch")
            status = runWatch(args);
#endif
        else if (command == "timeline")
            status = runTimeline(args);
        else if (command == "alts")
            status = runAlts(args);
        else if (command == "audit")
            status = runAudit(args);
        else if (command == "report")
            status = runReport(args);
        else
            usageError("unknown command " + quotedArgument(command) + ", not one of the commands --help lists");
    }
    std::cout.flush();
    // A command that refused its arguments without saying why still gets a
    // line that names it.
    if (status == UsageError && !usageErrorTold())
        usageError("wrong arguments for " + quotedArgument(command));
    return status;
}
