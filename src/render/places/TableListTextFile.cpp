#include "render/places/TableListTextFile.h"

#include <QFile>

#include <cstring>

namespace TableListTextFile {

bool HasNul(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = file.read(chunk.data(), chunk.size())) > 0;) {
        if (std::memchr(chunk.constData(), 0, size_t(n)))
            return true;
    }
    return false;
}

bool IsUtf16(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(2);
    return head == "\xFF\xFE" || head == "\xFE\xFF";
}

} // namespace TableListTextFile
