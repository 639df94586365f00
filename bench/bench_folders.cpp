#include "bench/bench_folders.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <system_error>

#include "tools/loggen/log_generator.h"

namespace zelkam::bench {
namespace {

LogGenOptions heavyDayOptions()
{
    LogGenOptions options;
    options.seed = 7;
    options.days = 1;
    options.linesPerDay = 1'000'000;
    return options;
}

LogGenOptions manyFilesOptions()
{
    LogGenOptions options;
    options.seed = 7;
    options.days = 10;
    options.linesPerDay = 20'000;
    options.filesPerDay = 1000;
    return options;
}

std::string describe(const LogGenOptions& options)
{
    std::ostringstream text;
    text << "seed " << options.seed << " start " << options.firstYear << '-' << options.firstMonth << '-'
         << options.firstDay << " days " << options.days << " lines " << options.linesPerDay << " players "
         << options.maxPlayers << " files " << options.filesPerDay << '\n';
    return text.str();
}

} // namespace

bool ensureGeneratedFolder(const std::filesystem::path& folder, const LogGenOptions& options, std::string& problem)
{
    const std::filesystem::path stamp = folder / "generated.txt";
    const std::string wanted = describe(options);
    {
        std::ifstream in(stamp);
        const std::string found{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (found == wanted)
            return true;
    }
    // Start from an empty folder: files of another generation would join
    // the window and change what is measured.
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (!generateLogFolder(folder, options)) {
        problem = "could not write the log folder " + folder.string();
        return false;
    }
    std::ofstream out(stamp);
    out << wanted;
    if (!out.flush()) {
        problem = "could not write " + stamp.string();
        return false;
    }
    return true;
}

bool prepareBenchFolders(const std::filesystem::path& dataFolder, BenchFolders& folders, std::string& problem)
{
    std::error_code error;
    std::filesystem::create_directories(dataFolder, error);
    if (error) {
        problem = "could not create " + dataFolder.string() + ": " + error.message();
        return false;
    }
    folders.heavyDay = dataFolder / "heavy-day";
    folders.manyFiles = dataFolder / "many-files";
    return ensureGeneratedFolder(folders.heavyDay, heavyDayOptions(), problem)
           && ensureGeneratedFolder(folders.manyFiles, manyFilesOptions(), problem);
}

std::vector<std::filesystem::path> logFilesOf(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 5 && name.front() == 'L' && name.ends_with(".log"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

namespace {
std::filesystem::path dataFolder;
} // namespace

const std::filesystem::path& benchDataFolder() { return dataFolder; }
void setBenchDataFolder(const std::filesystem::path& folder) { dataFolder = folder; }

std::string someRegularsId(const std::filesystem::path& folder)
{
    const std::vector<std::filesystem::path> files = logFilesOf(folder);
    if (files.empty())
        return {};
    std::ifstream in(files.front());
    const std::regex id("<(STEAM_0:[01]:[0-9]+)>");
    std::string line;
    std::smatch found;
    while (std::getline(in, line)) {
        if (std::regex_search(line, found, id))
            return found[1];
    }
    return {};
}

} // namespace zelkam::bench
