// Writes the generated part of the fuzz targets' seed corpora: small folders
// of the log generator, trimmed to a few kilobytes, as window and replay
// inputs; their distinct recognised lines as line inputs; their file names as
// name inputs. The output is the same on every run, so the seeds are
// committed and rewritten only when the generator or the input formats
// change:
//
//     build-fuzz/fuzz/seed_corpus fuzz/corpus

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "parse/log_parser.h"
#include "tools/loggen/log_generator.h"

using namespace zelkam;

namespace {

using Files = std::vector<std::pair<int, std::string>>;

struct Folder {
    Files files;
    std::vector<std::string> names;
};

// Keeps each file small: the server's settings block and plugin chatter go,
// and so does everything after maxLines lines.
std::string trimmed(const std::string& text, int maxLines)
{
    std::istringstream in(text);
    std::string out;
    int lines = 0;
    for (std::string line; std::getline(in, line) && lines < maxLines;) {
        if (line.find("Server cvar") != std::string::npos && line.find("cvars") == std::string::npos)
            continue;
        if (line.find("[META]") != std::string::npos)
            continue;
        out += line + '\n';
        ++lines;
    }
    return out;
}

// The fuzzers' name for a generated file: its own when they have it, else
// the next of theirs from `fallback` on.
int nameIndex(const std::string& name, int& fallback)
{
    for (int i = 0; i < fuzz::FuzzedFileNameCount; ++i) {
        if (name == fuzz::FuzzedFileNames[i])
            return i;
    }
    return fallback++ % fuzz::FuzzedFileNameCount;
}

// Generates a folder of at most MaxFuzzedFiles files, each cut to maxLines.
Folder generated(const LogGenOptions& options, int maxLines)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zelkam-seeds-" + std::to_string(options.seed));
    std::filesystem::remove_all(dir);
    Folder folder;
    if (!generateLogFolder(dir, options))
        return folder;
    std::set<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        paths.insert(entry.path());
    int fallback = 0;
    for (const std::filesystem::path& path : paths) {
        if (folder.files.size() == fuzz::MaxFuzzedFiles)
            break;
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        folder.files.emplace_back(nameIndex(path.filename().string(), fallback), trimmed(text.str(), maxLines));
        folder.names.push_back(path.filename().string());
    }
    std::filesystem::remove_all(dir);
    return folder;
}

void writeSeed(const std::filesystem::path& dir, const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Replay programs: step bytes as the replay fuzzer reads them.
enum Step : unsigned char {
    Tick, Ticks, Command, SeekNearEvent, SeekAnywhere, SeekMinute, Find, LoadDayAt, LoadDayNear, LoadDayAnywhere,
    Unload, LoadFolder, LoadMissingFolder
};

std::string program(std::initializer_list<int> bytes)
{
    std::string text;
    for (int b : bytes)
        text += static_cast<char>(b);
    return text;
}

const std::string programs[] = {
    // Play at every speed, rewind, pause, look up chat and remote-console lines.
    program({Command, 3, Ticks, 40, Command, 5, Ticks, 63, Find, 1, 1, 'a', Command, 1, Ticks, 20, Command, 2,
             Find, 3, 0, Find, 8 + 0, 2, 'J', 'o', Find, 2, 0, LoadDayAt, 1, Command, 4, Ticks, 63, Tick, 0}),
    // Trackbar moves and seeks around events, then day changes.
    program({SeekMinute, 0, 0, 0, 0x04, 0xb0, SeekNearEvent, 0, 5, SeekNearEvent, 1, 9, SeekMinute, 0, 0, 0, 0, 0,
             LoadDayAt, 1, SeekMinute, 0, 0, 0, 0x05, 0x9f, Find, 1, 0, LoadDayAt, 2, Find, 0, 0, LoadDayNear,
             0, 0, 0, 1, 0, Command, 3, Ticks, 30}),
    // Unload and reload, failed folder loads, days outside the folder.
    program({Unload, Tick, 0, Find, 1, 0, SeekMinute, 0, 0, 0, 0, 10, LoadFolder, Command, 5, Ticks, 63,
             LoadMissingFolder, Ticks, 10, LoadDayAnywhere, 0x3c, 0x59, 0x3b, 0x80, 1, SeekAnywhere, 0x7f, 0xff,
             0xff, 0xff, LoadDayAt, 0, Command, 1, Ticks, 63}),
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seed_corpus CORPUS-FOLDER\n");
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    fuzz::useFuzzTimeZone();

    // Two days across a month's end (the fuzzers' names), a year's end, and
    // the night the clocks go back (under names of other days).
    std::vector<Folder> folders;
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        LogGenOptions options;
        options.seed = seed;
        options.firstYear = 2002;
        options.firstMonth = 1;
        options.firstDay = 31;
        options.days = 2;
        options.linesPerDay = 150;
        options.maxPlayers = 6 + static_cast<int>(seed);
        options.filesPerDay = 2;
        folders.push_back(generated(options, 45));
    }
    {
        LogGenOptions options;
        options.seed = 4;
        options.firstYear = 2001;
        options.firstMonth = 12;
        options.firstDay = 31;
        options.days = 2;
        options.linesPerDay = 120;
        options.maxPlayers = 8;
        options.filesPerDay = 1;
        folders.push_back(generated(options, 60));
    }
    {
        LogGenOptions options;
        options.seed = 5;
        options.firstYear = 2001;
        options.firstMonth = 10;
        options.firstDay = 27;
        options.days = 2;
        options.linesPerDay = 120;
        options.maxPlayers = 8;
        options.filesPerDay = 2;
        folders.push_back(generated(options, 45));
    }

    std::set<std::string> names;
    std::vector<std::string> lines;
    std::set<int> kindsSeen;
    LogParser parser;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const Folder& folder = folders[i];
        const std::string input = fuzz::encodeFuzzedFolder(folder.files);
        writeSeed(corpus / "window", "gen-" + std::to_string(i + 1), input);
        const std::string& steps = programs[i % std::size(programs)];
        writeSeed(corpus / "replay", "gen-" + std::to_string(i + 1),
                  std::string(1, static_cast<char>(steps.size())) + steps + input);
        names.insert(folder.names.begin(), folder.names.end());
        for (const auto& [name, text] : folder.files) {
            std::istringstream in(text);
            for (std::string line; std::getline(in, line);) {
                parser.reset();
                parser.processLine(line);
                if (parser.events().size() == 1 && kindsSeen.insert(parser.events()[0].kind).second)
                    lines.push_back(line + '\n');
            }
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i)
        writeSeed(corpus / "line", "gen-" + std::to_string(i + 1), lines[i]);
    int n = 0;
    for (const std::string& name : names)
        writeSeed(corpus / "name", "gen-" + std::to_string(++n), name);
    return 0;
}
