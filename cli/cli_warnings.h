#pragma once

#include <vector>

#include "ingest/window_reader.h"
#include "replay/viewer_state.h"

namespace zelkam::cli {

// Tells on standard error, one line each, about the log files whose content
// could not be read to its end in the days loaded so far: damaged or
// truncated archives, archives that expand past the output bound, read
// errors. What was read of them is shown; the warning says what was not.
void warnAboutFilesCutShort(const ViewerState& state);
void warnAboutFilesCutShort(const std::vector<WindowReader::FileCutShort>& files);

// Gives those warnings when the command's work is done, however it ends.
class FilesCutShortWarning {
public:
    // The files of the days state loads until the warning goes.
    explicit FilesCutShortWarning(const ViewerState& state) : state_(&state) {}
    explicit FilesCutShortWarning(const LogFolder& folder) : folder_(&folder) {}
    ~FilesCutShortWarning() { warnAboutFilesCutShort((state_ ? state_->folder() : *folder_).filesCutShort()); }
    FilesCutShortWarning(const FilesCutShortWarning&) = delete;
    FilesCutShortWarning& operator=(const FilesCutShortWarning&) = delete;

private:
    const ViewerState* state_ = nullptr;
    const LogFolder* folder_ = nullptr;
};

} // namespace zelkam::cli
