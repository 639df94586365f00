#pragma once

#include <string>
#include <string_view>

namespace zelkam::test {

// Archives made with the same libraries admins' tools use, for folders of
// rotated logs.
std::string gzipped(std::string_view content, int level = 6);
std::string xzCompressed(std::string_view content, int preset = 6);
std::string zstdCompressed(std::string_view content, int level = 3);

// What the libraries give when an archive is decompressed in one call, all
// of its bytes at once: the whole content of a sound archive, and of a
// damaged one the part decoded before the fault. Several gzip members, xz
// streams or zstd frames in a row are decoded one after another.
std::string gunzipAtOnce(std::string_view archive);
std::string unxzAtOnce(std::string_view archive);
std::string unzstdAtOnce(std::string_view archive);

} // namespace zelkam::test
