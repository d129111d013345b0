#pragma once

#include <QDateTime>
#include <QString>

namespace tirelon {

// Path of the error log: "ERRORES.TXT" in the current working directory when
// `dirlog` is empty, otherwise `dirlog` + "/ERRORES.TXT".
QString errorLogPath(const QString& dirlog);

// Appends one entry to the error log: date, time, `etiquetalog` and `message`,
// separated by "," and ended by CR LF, as Windows-1252 bytes. A log that cannot
// be read is created anew. The message is written as it stands, line breaks and
// commas included, except that registered secrets are masked. Every failure is
// ignored: the entry is lost and nothing is raised or shown.
void appendErrorLog(const QString& dirlog, const QString& etiquetalog, const QString& message);
// The same with the moment of the entry given.
void appendErrorLog(const QString& dirlog, const QString& etiquetalog, const QString& message,
                    const QDateTime& when);

// Texts that must never reach the log (the log-in password): every occurrence of a
// registered non-empty secret in a message is written as "********". The set is
// process-wide and meant for the user-interface thread only.
void registerSecret(const QString& secret);
void clearSecrets();

} // namespace tirelon
