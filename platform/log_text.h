#pragma once

#include <string_view>

#include <QString>

namespace zelkam {

// Names and texts from the logs are bytes in no declared encoding. This
// turns them into what the screen shows: valid UTF-8 sequences as UTF-8,
// every other byte as Windows-1252 (its five unassigned bytes as U+FFFD).
QString logText(std::string_view bytes);

} // namespace zelkam
