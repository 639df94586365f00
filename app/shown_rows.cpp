#include "app/shown_rows.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace zelkam {

std::size_t mostRowsShown()
{
    const char* value = std::getenv("ZELKAM_MOST_ROWS");
    if (!value)
        return DefaultMostRowsShown;
    const std::string_view text(value);
    std::size_t most = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), most);
    // A setting that is no whole number is not one.
    if (error != std::errc() || end != text.data() + text.size())
        return DefaultMostRowsShown;
    return most;
}

QString ShownRows::leftOutText(const char* command) const
{
    if (leftOut_ == 0)
        return QString();
    return QStringLiteral("; the first %1 are shown (zelkam-cli %2 lists every one)")
        .arg(shown_)
        .arg(QString::fromLatin1(command));
}

} // namespace zelkam
