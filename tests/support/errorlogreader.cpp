#include "errorlogreader.h"

#include "platform/win1252.h"

#include <QDate>
#include <QFile>
#include <QLocale>

namespace tirelon::test {

QByteArray errorLogBytes(const QString& folder) {
    QFile log(folder + QStringLiteral("/ERRORES.TXT"));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

QStringList errorLogLines(const QString& folder) {
    const QByteArray bytes = errorLogBytes(folder);
    if (bytes.isEmpty())
        return {};
    QStringList lines = fromWin1252(bytes).split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList errorLogEntries(const QString& folder) {
    const QString datePrefix =
        QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + u',';
    QStringList entries;
    for (const QString& line : errorLogLines(folder))
        if (line.startsWith(datePrefix))
            entries.append(line);
    return entries;
}

} // namespace tirelon::test
