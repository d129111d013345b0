#pragma once

#include "data/fb/statement.h"

#include <QObject>

#include <memory>
#include <optional>

namespace tirelon {

// An open result of a source record set: the rows still to be fetched and the
// read transaction that the fetched rows' blob ids belong to.
class SourceCursor {
public:
    SourceCursor(std::shared_ptr<fb::Transaction> transaction, const QString& sql);
    const std::vector<fb::Column>& columns() const { return statement_.columns(); }
    // Fetches up to count rows (all when count < 0); fewer means the end was reached.
    std::vector<QVariantList> fetch(int count);
    bool atEnd() const { return atEnd_; }
    const std::shared_ptr<fb::Transaction>& transaction() const { return transaction_; }

private:
    std::shared_ptr<fb::Transaction> transaction_;
    fb::Statement statement_;
    bool atEnd_ = false;
};

// A query or table reader on the company connection. Opening it while the
// connection is closed opens the connection first with the parameters it holds.
class SourceDataSet : public QObject {
    Q_OBJECT
public:
    enum class Kind { Query, Table };
    SourceDataSet(Kind kind, fb::Connection* connection, QObject* parent = nullptr);

    Kind kind() const { return kind_; }
    fb::Connection* connection() const { return connection_; }
    void setCommandText(const QString& sql) { commandText_ = sql; }
    const QString& commandText() const { return commandText_; }
    void setTableName(const QString& table) { tableName_ = table; }
    const QString& tableName() const { return tableName_; }

    // Runs the given text, or the reader's own when it is empty.
    std::unique_ptr<SourceCursor> open(const QString& commandText = {});

private:
    Kind kind_;
    fb::Connection* connection_;
    QString commandText_;
    QString tableName_;
};

} // namespace tirelon
