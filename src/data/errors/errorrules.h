#pragma once

#include <QString>
#include <QStringList>

namespace tirelon {

// The Spanish texts the error box shows for a technical message. Each function
// looks only at the texts it is given; every comparison is exact, letter case
// included, and no input makes them fail.

// Rules for a failure that reached the application handler (no record set).
QString applicationRulesText(const QString& message);

// Rules for a pending change that a provider failed to write. The name is the
// component name of the provider's source record set ("TConftiendav").
QString updateRulesText(const QString& message, const QString& sourceComponentName);

// Rules for a failed post, edit or delete of a cached record set. The lists hold,
// in field order, the required fields that have no value in the current row and
// the fields of the record set's current index.
QString recordRulesText(const QString& message, const QStringList& requiredFieldsWithoutValue,
                        const QStringList& currentIndexFields);

} // namespace tirelon
