#pragma once

#include <QString>

namespace tirelon::fb {

// Creates a new, empty database file (page size 8192, no default character set)
// and detaches; used by the demo and by tests. Throws DbError.
void createDatabase(const QString& path, const QString& user = QStringLiteral("SYSDBA"),
                    const QString& password = QStringLiteral("masterkey"));

} // namespace tirelon::fb
