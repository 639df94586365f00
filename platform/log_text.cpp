#include "platform/log_text.h"

#include "text/text_encoding.h"

namespace zelkam {

QString logText(std::string_view bytes)
{
    const std::string utf8 = logTextToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace zelkam
