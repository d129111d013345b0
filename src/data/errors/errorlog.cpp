#include "data/errors/errorlog.h"

#include "platform/win1252.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <vector>

namespace tirelon {

namespace {

std::vector<QString>& secrets() {
    static std::vector<QString> registered;
    return registered;
}

// Every stretch of the message covered by an occurrence of some secret becomes
// one mask, so overlapping or nested secrets leave no part of either behind.
QString maskSecrets(const QString& message) {
    if (secrets().empty())
        return message;
    std::vector<bool> covered(static_cast<std::size_t>(message.size()), false);
    for (const QString& secret : secrets())
        for (qsizetype at = message.indexOf(secret); at >= 0; at = message.indexOf(secret, at + 1))
            std::fill_n(covered.begin() + at, secret.size(), true);

    QString masked;
    masked.reserve(message.size());
    for (qsizetype i = 0; i < message.size(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (!covered[index])
            masked += message.at(i);
        else if (i == 0 || !covered[index - 1])
            masked += QStringLiteral("********");
    }
    return masked;
}

QByteArray entryBytes(const QString& etiquetalog, const QString& message, const QDateTime& when) {
    const QLocale locale = QLocale::system();
    // Formatting the whole moment with the time format lets a zone in the
    // user's long time format come from `when` itself.
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QString time = locale.toString(when, locale.timeFormat(QLocale::LongFormat));
    const QChar comma = u',';
    return toWin1252(date + comma + time + comma + etiquetalog + comma + maskSecrets(message) +
                     QStringLiteral("\r\n"));
}

} // namespace

QString errorLogPath(const QString& dirlog) {
    const QString name = QStringLiteral("ERRORES.TXT");
    return dirlog.isEmpty() ? name : dirlog + u'/' + name;
}

void appendErrorLog(const QString& dirlog, const QString& etiquetalog, const QString& message) {
    appendErrorLog(dirlog, etiquetalog, message, QDateTime::currentDateTime());
}

void appendErrorLog(const QString& dirlog, const QString& etiquetalog, const QString& message,
                    const QDateTime& when) {
    try {
        QFile file(errorLogPath(dirlog));
        // A log that cannot be read is started afresh; a readable one grows.
        const bool readable = file.open(QIODevice::ReadOnly);
        file.close();
        const QIODevice::OpenMode mode = readable ? QIODevice::WriteOnly | QIODevice::Append
                                                  : QIODevice::WriteOnly | QIODevice::Truncate;
        if (!file.open(mode))
            return;
        file.write(entryBytes(etiquetalog, message, when));
        file.close();
    } catch (...) {
        // The log is best effort: losing an entry must not hide the error itself.
    }
}

void registerSecret(const QString& secret) {
    if (secret.isEmpty())
        return;
    auto& all = secrets();
    if (std::find(all.begin(), all.end(), secret) != all.end())
        return;
    all.push_back(secret);
}

void clearSecrets() {
    secrets().clear();
}

} // namespace tirelon
