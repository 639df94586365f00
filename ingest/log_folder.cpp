#include "ingest/log_folder.h"

namespace zelkam {

bool LogFolder::buildDayIndex(std::string_view folderPath)
{
    LogFileList scanned;
    if (!scanFolder(folderPath, scanned))
        return false;
    files_ = std::move(scanned);
    reader_.forgetCutShort();
    days_.clear();
    appendDays(files_, days_);
    return true;
}

bool LogFolder::readWindow(std::int32_t start, int days)
{
    return reader_.readWindow(files_, parser_, start, days);
}

void LogFolder::clear()
{
    days_.clear();
    parser_.reset();
    reader_.forgetCutShort();
    files_ = LogFileList();
}

} // namespace zelkam
