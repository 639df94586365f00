#include "app/shown_rows.h"

#include <cstdlib>

#include "parse/decimal.h"

namespace zelkam {

std::size_t mostRowsShown()
{
    // Anything but a plain whole number up to a hundred million keeps the
    // default, as the text bound's setting does.
    std::size_t most = DefaultMostRowsShown;
    if (const char* value = std::getenv("ZELKAM_MOST_ROWS"))
        readNumber(value, most, {false, 0, 100'000'000});
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
