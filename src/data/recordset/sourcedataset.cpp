#include "data/recordset/sourcedataset.h"

namespace tirelon {

SourceCursor::SourceCursor(std::shared_ptr<fb::Transaction> transaction, const QString& sql)
    : transaction_(std::move(transaction)), statement_(*transaction_, sql) {
    statement_.openCursor();
}

std::vector<QVariantList> SourceCursor::fetch(int count) {
    std::vector<QVariantList> rows;
    QVariantList row;
    while (!atEnd_ && (count < 0 || static_cast<int>(rows.size()) < count)) {
        if (!statement_.fetch(row)) {
            atEnd_ = true;
            statement_.closeCursor();
            break;
        }
        rows.push_back(row);
    }
    return rows;
}

SourceDataSet::SourceDataSet(Kind kind, fb::Connection* connection, QObject* parent)
    : QObject(parent), kind_(kind), connection_(connection) {}

std::unique_ptr<SourceCursor> SourceDataSet::open(const QString& commandText) {
    QString sql = commandText.isEmpty() ? commandText_ : commandText;
    if (kind_ == Kind::Table && commandText.isEmpty())
        sql = QStringLiteral("SELECT * FROM ") + tableName_;
    if (sql.trimmed().isEmpty())
        throw Error(QStringLiteral("No SQL statement available"));
    auto transaction = connection_->startTransaction(fb::Transaction::Kind::ReadOnly);
    return std::make_unique<SourceCursor>(std::move(transaction), sql);
}

} // namespace tirelon
