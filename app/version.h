#pragma once

namespace zelkam {

// The window title, also the single-instance identity and the About title.
inline constexpr const char* ProgramTitle = "Zelkam v1.8";

} // namespace zelkam
