#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/loggen/log_generator.h"

namespace zelkam::bench {

// The generated log folders the benchmarks read. Both come from fixed
// seeds, so every run on every machine reads the same bytes.
struct BenchFolders {
    // One heavy day: about 1,000,000 lines (118 MB) in a single day's files,
    // so the day's two-day window is the whole folder.
    std::filesystem::path heavyDay;
    // Ten days of 1,000 small files each: 10,000 files to scan and date.
    std::filesystem::path manyFiles;
};

// The folders of this run, made before any benchmark runs.
extern BenchFolders folders;

// Makes (or finds already made) both folders under dataFolder, which is
// created when missing. A folder is only reused when the stamp file written
// after its generation names the same options, so an interrupted or older
// generation is made again. False, with problem set, when a folder cannot
// be written.
bool prepareBenchFolders(const std::filesystem::path& dataFolder, BenchFolders& folders, std::string& problem);

// The folders the benchmarks read, made by main before any benchmark runs.
extern BenchFolders folders;
// The folder the generated data lives in (--data, or a temporary one), for
// benchmarks that make folders of their own on first use.
const std::filesystem::path& benchDataFolder();
void setBenchDataFolder(const std::filesystem::path& folder);
// The folders of this run, once main has prepared them.
const BenchFolders& benchFolders();

// Makes the log folder options describe, or finds it made already: a stamp
// file written after the generation names the options, so an interrupted
// or older generation is made again from an empty folder. False, with
// problem set, when the folder cannot be written.
bool ensureGeneratedFolder(const std::filesystem::path& folder, const LogGenOptions& options, std::string& problem);

// The "L*.log" files of a folder, sorted by name.
std::vector<std::filesystem::path> logFilesOf(const std::filesystem::path& folder);

// A regular's unique id: the id of the first validated player of the
// folder's first file, found as the generator writes it; empty when none.
std::string someRegularsId(const std::filesystem::path& folder);

} // namespace zelkam::bench
