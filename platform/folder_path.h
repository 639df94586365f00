#pragma once

#include <string>

#include <QString>

namespace zelkam {

// A folder path as the model takes it: on Windows UTF-8 (the model turns it
// into a wide path, so any character of a profile or folder name works),
// elsewhere the file system's own bytes.
std::string modelPathOf(const QString& path);
// The reverse, for paths the model or the settings store hold.
QString qtPathOf(const std::string& path);

} // namespace zelkam
