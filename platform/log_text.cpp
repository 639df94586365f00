#include "platform/log_text.h"

namespace zelkam {

QString logText(std::string_view bytes)
{
    // FIXME: decode with the shared log-text decoder once it is available;
    // until then invalid UTF-8 bytes show as replacement characters.
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace zelkam
