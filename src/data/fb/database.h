#pragma once

#include <QString>

namespace tirelon::fb {

// Creates a new, empty database file (page size 8192, no default character set)
// and detaches; used by the demo and by tests. Throws DbError.
void createDatabase(const QString& path, const QString& user = QStringLiteral("SYSDBA"),
                    const QString& password = QStringLiteral("masterkey"));

// Ends the client library's work at program exit: detaches what is left and stops
// the embedded engine's threads. Call once, after the last connection is gone.
void shutdownClient() noexcept;

} // namespace tirelon::fb
