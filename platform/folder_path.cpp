#include "platform/folder_path.h"

#include <QByteArray>
#include <QFile>

namespace zelkam {

std::string modelPathOf(const QString& path)
{
#ifdef Q_OS_WIN
    // Qt's 8-bit file names on Windows are the ANSI code page, which cannot
    // hold most names; the model reads UTF-8 there.
    return path.toUtf8().toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

QString qtPathOf(const std::string& path)
{
    const QByteArray bytes = QByteArray::fromStdString(path);
#ifdef Q_OS_WIN
    return QString::fromUtf8(bytes);
#else
    return QFile::decodeName(bytes);
#endif
}

} // namespace zelkam
