#include "settings/serverlist.h"

#include "platform/win1252.h"

#include <QFile>

namespace tirelon {

namespace {
constexpr qsizetype kMaxEntryLength = 255;
}

QStringList parseServerList(QByteArrayView bytes) {
    QStringList entries;
    qsizetype lineStart = 0;
    // Where the kept part of the current line ends: at 255 characters or a NUL byte.
    qsizetype keptEnd = -1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char byte = bytes[i];
        if (byte == '\r' || byte == '\n') {
            const qsizetype end = keptEnd < 0 ? i : keptEnd;
            entries.append(fromWin1252(bytes.data() + lineStart, end - lineStart));
            if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            lineStart = i + 1;
            keptEnd = -1;
        } else if (keptEnd < 0 && (byte == '\0' || i - lineStart == kMaxEntryLength)) {
            keptEnd = i;
        }
    }
    if (lineStart < bytes.size()) {
        const qsizetype end = keptEnd < 0 ? bytes.size() : keptEnd;
        entries.append(fromWin1252(bytes.data() + lineStart, end - lineStart));
    }
    return entries;
}

QStringList loadServerList(const QString& installDir) {
    QFile file(installDir + QStringLiteral("/SERVIDORES.cfg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(file.size());
    if (file.error() != QFileDevice::NoError)
        return {};
    return parseServerList(bytes);
}

} // namespace tirelon
