#include "ingest/log_folder.h"

#include "ingest/open_file.h"
#include "parse/stamp_order.h"

namespace zelkam {

bool LogFolder::buildDayIndex(std::string_view folderPath)
{
    ++scansMade_;
    LogFileList scanned;
    // Stamped before the listing, so that a file created during it is seen
    // by the next look.
    std::int64_t stamp = 0;
    const bool stamped = folderModified(pathFromUtf8(folderPath), stamp);
    FolderListing listing;
    if (!listing.list(pathFromUtf8(folderPath), scanned, {}) || scanned.entries.empty())
        return false;
    files_ = std::move(scanned);
    reader_.forgetCutShort();
    days_.clear();
    appendDays(files_, days_);
    live_.watch(pathFromUtf8(folderPath), stamped, stamp, files_, std::move(listing));
    return true;
}

void LogFolder::listAs(const LogFolder& other)
{
    if (&other == this)
        return;
    parser_.reset();
    files_ = other.files_;
    reader_.forgetCutShort();
    days_.clear();
    for (std::int32_t day : other.days_)
        days_.append(day);
    live_.watchAs(other.live_);
}

bool LogFolder::readWindow(std::int32_t start, int days, bool wholeLinesOnly)
{
    ++windowsRead_;
    const bool read = reader_.readWindow(files_, parser_, start, days, !wholeLinesOnly);
    live_.adopt(reader_.marks(), start, days);
    if (wholeLinesOnly) {
        // A half-written last line is not yet a line: it must not decide
        // which lines before it are stray, or a line kept by every later
        // read would be set aside by this one.
        live_.dropUnterminatedTail(parser_);
        setAsideStrayStamps(parser_.events());
    }
    return read;
}

void LogFolder::clear()
{
    days_.clear();
    parser_.reset();
    reader_.forgetCutShort();
    files_ = LogFileList();
    live_.clear();
}

} // namespace zelkam
