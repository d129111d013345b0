#pragma once

#include "data/fb/connection.h"
#include "data/fb/value.h"

#include <QByteArray>

namespace tirelon::fb {

// Reads one blob in segments. The transaction must outlive the reader.
class BlobReader {
public:
    BlobReader(Transaction& transaction, const BlobId& id);
    ~BlobReader();
    BlobReader(const BlobReader&) = delete;
    BlobReader& operator=(const BlobReader&) = delete;

    // Total length in bytes, from the blob's own information.
    qint64 length();
    // Fills up to capacity bytes (any capacity, also smaller than a segment);
    // returns the number of bytes read, 0 at the end of the blob.
    qint64 read(char* buffer, qint64 capacity);
    QByteArray readAll();
    void close() noexcept;

private:
    Handle<Firebird::IBlob> blob_;
    bool atEnd_ = false;
};

// Creates a blob in segments, for data too large to hold at once.
class BlobWriter {
public:
    explicit BlobWriter(Transaction& transaction);
    ~BlobWriter();
    BlobWriter(const BlobWriter&) = delete;
    BlobWriter& operator=(const BlobWriter&) = delete;

    void write(const char* data, qint64 length);
    // Closes the blob; its id can then be bound as a parameter.
    BlobId finish();

private:
    Handle<Firebird::IBlob> blob_;
    BlobId id_;
};

// Creates a blob from bytes in the transaction and returns its id, to be bound as
// a parameter of an INSERT or UPDATE.
BlobId writeBlob(Transaction& transaction, const QByteArray& bytes);

} // namespace tirelon::fb
