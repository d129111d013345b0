#include "data/recordset/provider.h"

namespace tirelon {

namespace {

QString quoted(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// WHERE clause that finds a row by the fetched values of all its non-blob columns.
QString whereAll(const PendingChange& c, QVariantList& params) {
    QStringList terms;
    for (int i = 0; i < c.fields.size(); ++i) {
        if (c.isBlob[i])
            continue;
        if (!c.original[i].isValid()) {
            terms << quoted(c.fields[i]) + QStringLiteral(" IS NULL");
        } else {
            terms << quoted(c.fields[i]) + QStringLiteral(" = ?");
            params << c.original[i];
        }
    }
    return terms.join(QStringLiteral(" AND "));
}

} // namespace

TDataSetProvider::TDataSetProvider(QObject* parent) : QObject(parent) {}

std::unique_ptr<SourceCursor> TDataSetProvider::open(const QString& clientCommandText) {
    if (!dataSet_)
        throw Error(QStringLiteral("Missing data provider or data packet"));
    return dataSet_->open(allowCommandText_ ? clientCommandText : QString());
}

QString TDataSetProvider::tableName() const {
    if (!dataSet_ || dataSet_->tableName().isEmpty())
        throw Error(QStringLiteral("Unable to resolve database table name"));
    return dataSet_->tableName();
}

int TDataSetProvider::applyUpdates(const std::vector<PendingChange>& changes, int maxErrors,
                                   TClientDataSet* client, int* failedIndex) {
    if (failedIndex)
        *failedIndex = -1;
    if (changes.empty())
        return 0;
    const QString table = quoted(tableName());
    auto transaction = dataSet_->connection()->startTransaction(fb::Transaction::Kind::ReadWrite);
    int errors = 0;
    bool aborted = false;
    for (std::size_t n = 0; n < changes.size(); ++n) {
        const PendingChange& c = changes[n];
        try {
            QVariantList params;
            QString sql;
            if (c.kind == TUpdateKind::ukInsert) {
                QStringList names, marks;
                for (int i = 0; i < c.fields.size(); ++i) {
                    if (!c.current[i].isValid())
                        continue;
                    names << quoted(c.fields[i]);
                    marks << QStringLiteral("?");
                    params << c.current[i];
                }
                sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(table, names.join(", "), marks.join(", "));
                if (names.isEmpty())
                    sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
            } else if (c.kind == TUpdateKind::ukModify) {
                QStringList sets;
                for (int i = 0; i < c.fields.size(); ++i) {
                    if (!c.changed[i])
                        continue;
                    sets << quoted(c.fields[i]) + QStringLiteral(" = ?");
                    params << c.current[i];
                }
                if (sets.isEmpty())
                    continue;
                sql = QStringLiteral("UPDATE %1 SET %2").arg(table, sets.join(", "));
                const QString where = whereAll(c, params);
                if (!where.isEmpty())
                    sql += QStringLiteral(" WHERE ") + where;
            } else {
                sql = QStringLiteral("DELETE FROM %1").arg(table);
                const QString where = whereAll(c, params);
                if (!where.isEmpty())
                    sql += QStringLiteral(" WHERE ") + where;
            }
            fb::Statement statement(*transaction, sql);
            const quint64 affected = statement.execute(params);
            if (c.kind != TUpdateKind::ukInsert && affected == 0)
                throw Error(QStringLiteral("Record not found or changed by another user"));
            if (c.kind != TUpdateKind::ukInsert && affected > 1)
                throw Error(QStringLiteral("Too many records found or changed: %1").arg(affected));
        } catch (const std::exception& e) {
            ++errors;
            if (failedIndex && *failedIndex < 0)
                *failedIndex = static_cast<int>(n);
            TResolverResponse response = TResolverResponse::rrSkip;
            if (onUpdateError_)
                onUpdateError_(this, client, e, c.kind, response);
            if (response == TResolverResponse::rrAbort || (maxErrors >= 0 && errors > maxErrors)) {
                aborted = true;
                break;
            }
        }
    }
    if (aborted) {
        transaction->rollback();
        return errors;
    }
    transaction->commit();
    return errors;
}

} // namespace tirelon
