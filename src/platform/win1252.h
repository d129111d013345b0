#pragma once

#include <QByteArray>
#include <QString>

namespace tirelon {

// Database text columns and the error log are Windows-1252 bytes. These convert
// exactly; a character that Windows-1252 cannot hold becomes '?'.
QString fromWin1252(const char* bytes, qsizetype length);
inline QString fromWin1252(const QByteArray& bytes) {
    return fromWin1252(bytes.constData(), bytes.size());
}
QByteArray toWin1252(const QString& text);

} // namespace tirelon
