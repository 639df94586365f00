#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ingest/file_mark.h"
#include "ingest/log_file_list.h"
#include "parse/containers.h"
#include "parse/log_parser.h"

namespace zelkam {

// How the window last read stands against the folder now.
enum class WindowChange {
    // Nothing the window read has changed.
    None,
    // Its newest file has new whole lines, or new files dated into it follow
    // its last one: the new events were appended to the parser's list.
    Grew,
    // Something that appending cannot express: a file of the window was
    // shortened, replaced, removed, rewritten or has grown while a later one
    // follows it, or a new file dated into the window sorts before its end.
    // The window must be read again; nothing was appended.
    Changed,
};

// The result of one look at the folder.
struct FolderChanges {
    // The folder itself is gone (or is no longer a folder).
    bool folderGone = false;
    // The list of days differs from before the look.
    bool daysChanged = false;
    WindowChange window = WindowChange::None;
    // Events taken off the end of the list before the new ones were
    // appended: the unterminated last line that the window read had taken as
    // it stood, and that has since been completed (0 or 1).
    std::size_t retracted = 0;
};

// Follows a log folder that a running server writes to. After a window
// read it remembers how far each of the window's files was read, and on
// each look compares the folder and those files with what was read, by size
// and modification time only: a quiet folder costs a few status queries. A
// grown file is read from where reading stopped, and only whole lines are
// taken, since the server writes a line in pieces. The folder is listed
// again only when its own modification time says files came or went.
//
// Nothing is ever written, and a file is open only while it is being read.
class LiveWindow {
public:
    LiveWindow();
    ~LiveWindow();
    LiveWindow(const LiveWindow&) = delete;
    LiveWindow& operator=(const LiveWindow&) = delete;

    // Starts watching the folder that `listing` just listed into files;
    // `stamp` is the folder's modification time taken before the listing
    // (`stamped` false when it could not be taken). Files the listing could
    // not date yet (still empty, or without a whole first line) are looked
    // at again on every look.
    void watch(const std::filesystem::path& folder, bool stamped, std::int64_t stamp, const LogFileList& files,
               FolderListing listing);
    // Watches the folder other watches, as other last looked at it, without
    // listing it again: for a second read of a folder the program shows.
    // No window is followed until the next adopt.
    void watchAs(const LiveWindow& other);
    // Takes over the marks of a window just read, from start for `days` days.
    void adopt(const std::vector<FileMark>& marks, std::int32_t start, int days);
    // Forgets the folder and the window.
    void clear();

    // One look at the folder: lists it again when it changed, refreshing
    // files and days, and takes up the window's new whole lines into parser.
    FolderChanges follow(LogFileList& files, GrowArray<std::int32_t>& days, LogParser& parser);

    // Takes the unterminated last line that the window read had taken back
    // off the events when it is the last line of the folder's newest file,
    // which the server may still be writing: once a day is followed only
    // whole lines of that file count. Returns the number of events removed
    // (0 or 1).
    std::size_t dropUnterminatedTail(LogParser& parser);

    bool hasWindow() const { return windowDays_ > 0; }

private:
    void rescan(LogFileList& files, GrowArray<std::int32_t>& days, bool& daysChanged);
    static void refreshDays(const LogFileList& files, GrowArray<std::int32_t>& days, bool& daysChanged);
    // The names of the list's files dated inside the followed window, in order.
    std::vector<std::string> windowNames(const LogFileList& files) const;
    // Reads from mark.consumed to the file's end; with wholeLinesOnly an
    // unterminated last line is left for later. False when the file is gone
    // or no longer holds the bytes read before where they were.
    bool readOn(const LogFileList& files, FileMark& mark, LogParser& parser, bool wholeLinesOnly);

    std::filesystem::path folder_;
    // Whether a folder is followed at all, and whether its stamp is known.
    bool active_ = false;
    bool watching_ = false;
    std::int64_t folderModified_ = 0;
    // A folder stamp this close to the moment it was taken may yet hide a
    // change within the same clock step: look again next time.
    bool folderRacy_ = true;
    // The last listing, which lists the folder again from what it knew.
    FolderListing listing_;
    // Log files the listing could not date, with their sizes then.
    std::vector<std::pair<std::string, std::uint64_t>> undated_;
    // The folder's newest file as last listed, the one the server writes to
    // (whether or not it holds a whole line yet).
    std::string newestName_;

    std::vector<FileMark> marks_;
    // Whole lines only are taken from the newest file: the window has grown
    // since it was read, or was read that way.
    bool following_ = false;
    unsigned looks_ = 0;
    std::int32_t windowStart_ = 0;
    std::int64_t windowEnd_ = 0;
    int windowDays_ = 0;
    std::unique_ptr<char[]> buffer_;
};

} // namespace zelkam
