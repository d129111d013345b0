#pragma once

#include "data/fb/connection.h"
#include "data/fb/value.h"

#include <QVariant>

#include <vector>

namespace tirelon::fb {

enum class ColumnKind { Text, Integer, BigInt, Float, Date, Time, Timestamp, Blob, Boolean };

struct Column {
    QString name;     // the column's alias as the query names it
    QString relation; // the table it comes from, empty for expressions
    ColumnKind kind = ColumnKind::Text;
    unsigned sqlType = 0;
    int subType = 0;
    unsigned charSet = 0; // for text: the character set id (1 = OCTETS, read as bytes)
    int scale = 0;
    unsigned length = 0; // bytes, for text
    bool nullable = true;
};

// A prepared statement on a transaction. Parameters are bound as parameters,
// never pasted into the SQL text. Values are QVariants: a null QVariant is SQL
// NULL; text is QString (Windows-1252 bytes on the wire), text in the character
// set OCTETS is QByteArray (its bytes unchanged); integers are int or
// qlonglong; dates QDate; blobs BlobId.
// The transaction must outlive the statement.
class Statement {
public:
    Statement(Transaction& transaction, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    const std::vector<Column>& columns() const { return columns_; }
    int parameterCount() const { return parameterCount_; }

    // Runs a statement that returns no rows; returns the number of rows it changed.
    quint64 execute(const QVariantList& parameters = {});

    void openCursor(const QVariantList& parameters = {});
    // Fetches the next row into row; false at the end of the result.
    bool fetch(QVariantList& row);
    void closeCursor() noexcept;

private:
    struct InputMessage;
    void prepareInput(const QVariantList& parameters, InputMessage& message);
    QVariant readColumn(std::size_t index) const;

    Transaction& transaction_;
    Handle<Firebird::IStatement> statement_;
    Handle<Firebird::IMessageMetadata> outputMetadata_;
    Handle<Firebird::IResultSet> cursor_;
    std::vector<Column> columns_;
    std::vector<unsigned> offsets_;
    std::vector<unsigned> nullOffsets_;
    std::vector<unsigned char> buffer_;
    int parameterCount_ = 0;
};

} // namespace tirelon::fb
