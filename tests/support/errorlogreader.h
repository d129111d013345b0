#pragma once

// Reading the error log ERRORES.TXT that a run left in a folder, as the tests look at it.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tirelon::test {

// The bytes of <folder>/ERRORES.TXT; empty when there is no such file.
QByteArray errorLogBytes(const QString& folder);

// Its lines, decoded from Windows-1252 and split at CR LF; the line end that closes the
// last entry opens no further line. A message that spans lines gives more than one line.
QStringList errorLogLines(const QString& folder);

// Its entries written today: the lines that begin with today's date and a comma, so a
// message that spans lines still counts once (its further lines are left out).
QStringList errorLogEntries(const QString& folder);

} // namespace tirelon::test
