#include "data/fb/blob.h"

#include <ibase.h>

#include <algorithm>
#include <climits>

namespace tirelon::fb {

using namespace Firebird;

namespace {
ISC_QUAD toQuad(const BlobId& id) {
    ISC_QUAD quad;
    quad.gds_quad_high = static_cast<ISC_LONG>(id.high);
    quad.gds_quad_low = id.low;
    return quad;
}
// Firebird moves at most 64 KiB - 1 per segment call.
constexpr qint64 kMaxSegment = 65535;
} // namespace

BlobReader::BlobReader(Transaction& transaction, const BlobId& id) {
    if (!transaction.isActive() || !transaction.connection())
        throw DbError({}, DbError::serverPrefix() + QStringLiteral("transaction is not active"));
    ISC_QUAD quad = toQuad(id);
    Status status;
    blob_ = Handle<IBlob>(transaction.connection()->attachment()->openBlob(
        status.get(), transaction.handle(), &quad, 0, nullptr));
    status.check();
}

BlobReader::~BlobReader() {
    close();
}

qint64 BlobReader::length() {
    const unsigned char items[] = {isc_info_blob_total_length};
    unsigned char answer[32] = {};
    Status status;
    blob_->getInfo(status.get(), sizeof items, items, sizeof answer, answer);
    status.check();
    if (answer[0] != isc_info_blob_total_length)
        return -1;
    const short size = static_cast<short>(isc_portable_integer(answer + 1, 2));
    return isc_portable_integer(answer + 3, size);
}

qint64 BlobReader::read(char* buffer, qint64 capacity) {
    qint64 total = 0;
    while (!atEnd_ && total < capacity) {
        const auto ask = static_cast<unsigned>(std::min(capacity - total, kMaxSegment));
        unsigned got = 0;
        Status status;
        const int result = blob_->getSegment(status.get(), ask, buffer + total, &got);
        status.check();
        if (result == IStatus::RESULT_NO_DATA) {
            atEnd_ = true;
            break;
        }
        total += got;
        // RESULT_OK ends a segment, RESULT_SEGMENT means the buffer was full: either
        // way go on until the caller's buffer is full or the blob ends.
    }
    return total;
}

QByteArray BlobReader::readAll() {
    QByteArray bytes;
    const qint64 known = length();
    if (known > 0 && known < INT_MAX)
        bytes.reserve(static_cast<qsizetype>(known));
    char chunk[kMaxSegment];
    for (qint64 n; (n = read(chunk, sizeof chunk)) > 0;)
        bytes.append(chunk, static_cast<qsizetype>(n));
    return bytes;
}

void BlobReader::close() noexcept {
    if (!blob_)
        return;
    Status status;
    blob_->close(status.get());
    if (!status.failed())
        blob_.forget();
    else
        blob_.reset();
}

BlobWriter::BlobWriter(Transaction& transaction) {
    ISC_QUAD quad{};
    Status status;
    blob_ = Handle<IBlob>(transaction.connection()->attachment()->createBlob(
        status.get(), transaction.handle(), &quad, 0, nullptr));
    status.check();
    id_ = BlobId{static_cast<std::uint32_t>(quad.gds_quad_high), quad.gds_quad_low};
}

BlobWriter::~BlobWriter() {
    if (blob_) {
        Status status;
        blob_->cancel(status.get());
        if (!status.failed())
            blob_.forget();
    }
}

void BlobWriter::write(const char* data, qint64 length) {
    for (qint64 at = 0; at < length; at += kMaxSegment) {
        const auto n = static_cast<unsigned>(std::min(kMaxSegment, length - at));
        Status status;
        blob_->putSegment(status.get(), n, data + at);
        status.check();
    }
}

BlobId BlobWriter::finish() {
    Status status;
    blob_->close(status.get());
    status.check();
    blob_.forget();
    return id_;
}

BlobId writeBlob(Transaction& transaction, const QByteArray& bytes) {
    BlobWriter writer(transaction);
    writer.write(bytes.constData(), bytes.size());
    return writer.finish();
}

} // namespace tirelon::fb
