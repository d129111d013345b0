#include "data/fb/statement.h"

#include "platform/win1252.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <ibase.h>

#include <cmath>
#include <cstring>

namespace tirelon::fb {

using namespace Firebird;

namespace {

// Firebird's character set of raw bytes.
constexpr unsigned octetsCharSet = 1;

ColumnKind kindOf(unsigned type, int scale) {
    switch (type) {
    case SQL_TEXT:
    case SQL_VARYING:
        return ColumnKind::Text;
    case SQL_SHORT:
    case SQL_LONG:
        return scale == 0 ? ColumnKind::Integer : ColumnKind::Float;
    case SQL_INT64:
        return scale == 0 ? ColumnKind::BigInt : ColumnKind::Float;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return ColumnKind::Float;
    case SQL_TYPE_DATE:
        return ColumnKind::Date;
    case SQL_TYPE_TIME:
        return ColumnKind::Time;
    case SQL_TIMESTAMP:
        return ColumnKind::Timestamp;
    case SQL_BLOB:
        return ColumnKind::Blob;
    case SQL_BOOLEAN:
        return ColumnKind::Boolean;
    default:
        return ColumnKind::Text;
    }
}

QDate toDate(ISC_DATE value) {
    unsigned y = 0, m = 0, d = 0;
    util()->decodeDate(value, &y, &m, &d);
    return QDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
}

QTime toTime(ISC_TIME value) {
    unsigned h = 0, mi = 0, s = 0, frac = 0;
    util()->decodeTime(value, &h, &mi, &s, &frac);
    return QTime(static_cast<int>(h), static_cast<int>(mi), static_cast<int>(s),
                 static_cast<int>(frac / 10));
}

double scaled(qint64 raw, int scale) {
    return static_cast<double>(raw) * std::pow(10.0, scale);
}

template <typename T> T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T> void store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

} // namespace

struct Statement::InputMessage {
    Handle<IMessageMetadata> metadata;
    std::vector<unsigned char> buffer;
};

Statement::Statement(Transaction& transaction, const QString& sql) : transaction_(transaction) {
    if (!transaction.isActive() || !transaction.connection())
        throw DbError({}, DbError::serverPrefix() + QStringLiteral("transaction is not active"));
    const QByteArray text = toWin1252(sql);
    Status status;
    statement_ = Handle<IStatement>(transaction.connection()->attachment()->prepare(
        status.get(), transaction.handle(), 0, text.constData(), 3,
        IStatement::PREPARE_PREFETCH_METADATA));
    status.check();

    Handle<IMessageMetadata> input(statement_->getInputMetadata(status.get()));
    status.check();
    parameterCount_ = static_cast<int>(input->getCount(status.get()));

    outputMetadata_ = Handle<IMessageMetadata>(statement_->getOutputMetadata(status.get()));
    status.check();
    const unsigned count = outputMetadata_->getCount(status.get());
    for (unsigned i = 0; i < count; ++i) {
        Column c;
        c.name = fromWin1252(QByteArray(outputMetadata_->getAlias(status.get(), i)));
        c.relation = fromWin1252(QByteArray(outputMetadata_->getRelation(status.get(), i)));
        c.sqlType = outputMetadata_->getType(status.get(), i);
        c.subType = outputMetadata_->getSubType(status.get(), i);
        c.scale = outputMetadata_->getScale(status.get(), i);
        c.charSet = outputMetadata_->getCharSet(status.get(), i);
        c.length = outputMetadata_->getLength(status.get(), i);
        c.nullable = outputMetadata_->isNullable(status.get(), i);
        c.kind = kindOf(c.sqlType, c.scale);
        columns_.push_back(c);
        offsets_.push_back(outputMetadata_->getOffset(status.get(), i));
        nullOffsets_.push_back(outputMetadata_->getNullOffset(status.get(), i));
    }
    buffer_.assign(outputMetadata_->getMessageLength(status.get()), 0);
    status.check();
}

Statement::~Statement() {
    closeCursor();
    if (statement_) {
        Status status;
        statement_->free(status.get());
        if (!status.failed())
            statement_.forget();
    }
}

void Statement::prepareInput(const QVariantList& parameters, InputMessage& message) {
    if (parameters.size() != parameterCount_)
        throw Error(QStringLiteral("Statement expects %1 parameters, %2 given")
                        .arg(parameterCount_)
                        .arg(parameters.size()));
    Status status;
    Handle<IMessageMetadata> prepared(statement_->getInputMetadata(status.get()));
    status.check();
    Handle<IMetadataBuilder> builder(prepared->getBuilder(status.get()));
    status.check();
    std::vector<QByteArray> texts(parameters.size());
    for (int i = 0; i < parameters.size(); ++i) {
        const QVariant& v = parameters[i];
        const auto index = static_cast<unsigned>(i);
        if (v.isNull() && v.typeId() != QMetaType::QString)
            continue; // keep the server's type; only the null flag is set
        switch (v.typeId()) {
        case QMetaType::QString:
        case QMetaType::QByteArray:
            texts[i] = v.typeId() == QMetaType::QString ? toWin1252(v.toString()) : v.toByteArray();
            builder->setType(status.get(), index, SQL_VARYING + 1);
            builder->setLength(status.get(), index,
                               static_cast<unsigned>(std::max<qsizetype>(1, texts[i].size())));
            builder->setCharSet(status.get(), index, 0);
            break;
        case QMetaType::Int:
        case QMetaType::Short:
            builder->setType(status.get(), index, SQL_LONG + 1);
            builder->setLength(status.get(), index, sizeof(ISC_LONG));
            builder->setScale(status.get(), index, 0);
            break;
        case QMetaType::LongLong:
        case QMetaType::UInt:
            builder->setType(status.get(), index, SQL_INT64 + 1);
            builder->setLength(status.get(), index, sizeof(ISC_INT64));
            builder->setScale(status.get(), index, 0);
            break;
        case QMetaType::Double:
            builder->setType(status.get(), index, SQL_DOUBLE + 1);
            builder->setLength(status.get(), index, sizeof(double));
            break;
        case QMetaType::QDate:
            builder->setType(status.get(), index, SQL_TYPE_DATE + 1);
            builder->setLength(status.get(), index, sizeof(ISC_DATE));
            break;
        case QMetaType::QTime:
            builder->setType(status.get(), index, SQL_TYPE_TIME + 1);
            builder->setLength(status.get(), index, sizeof(ISC_TIME));
            break;
        case QMetaType::QDateTime:
            builder->setType(status.get(), index, SQL_TIMESTAMP + 1);
            builder->setLength(status.get(), index, sizeof(ISC_TIMESTAMP));
            break;
        case QMetaType::Bool:
            builder->setType(status.get(), index, SQL_BOOLEAN + 1);
            builder->setLength(status.get(), index, 1);
            break;
        default:
            if (v.canConvert<BlobId>()) {
                builder->setType(status.get(), index, SQL_BLOB + 1);
                builder->setLength(status.get(), index, sizeof(ISC_QUAD));
                break;
            }
            throw Error(QStringLiteral("Unsupported parameter type %1").arg(v.typeName()));
        }
    }
    message.metadata = Handle<IMessageMetadata>(builder->getMetadata(status.get()));
    status.check();
    IMessageMetadata* meta = message.metadata.get();
    message.buffer.assign(meta->getMessageLength(status.get()), 0);
    for (int i = 0; i < parameters.size(); ++i) {
        const auto index = static_cast<unsigned>(i);
        const QVariant& v = parameters[i];
        unsigned char* data = message.buffer.data() + meta->getOffset(status.get(), index);
        unsigned char* null = message.buffer.data() + meta->getNullOffset(status.get(), index);
        const bool isNull = v.isNull();
        store<short>(null, isNull ? -1 : 0);
        if (isNull)
            continue;
        switch (v.typeId()) {
        case QMetaType::QString:
        case QMetaType::QByteArray:
            store<unsigned short>(data, static_cast<unsigned short>(texts[i].size()));
            std::memcpy(data + 2, texts[i].constData(), static_cast<std::size_t>(texts[i].size()));
            break;
        case QMetaType::Int:
        case QMetaType::Short:
            store<ISC_LONG>(data, v.toInt());
            break;
        case QMetaType::LongLong:
        case QMetaType::UInt:
            store<ISC_INT64>(data, v.toLongLong());
            break;
        case QMetaType::Double:
            store<double>(data, v.toDouble());
            break;
        case QMetaType::QDate: {
            const QDate d = v.toDate();
            store<ISC_DATE>(data, util()->encodeDate(static_cast<unsigned>(d.year()),
                                                     static_cast<unsigned>(d.month()),
                                                     static_cast<unsigned>(d.day())));
            break;
        }
        case QMetaType::QTime: {
            const QTime t = v.toTime();
            store<ISC_TIME>(data, util()->encodeTime(static_cast<unsigned>(t.hour()),
                                                     static_cast<unsigned>(t.minute()),
                                                     static_cast<unsigned>(t.second()),
                                                     static_cast<unsigned>(t.msec() * 10)));
            break;
        }
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            ISC_TIMESTAMP ts;
            const QDate d = dt.date();
            const QTime t = dt.time();
            ts.timestamp_date = util()->encodeDate(static_cast<unsigned>(d.year()),
                                                   static_cast<unsigned>(d.month()),
                                                   static_cast<unsigned>(d.day()));
            ts.timestamp_time = util()->encodeTime(
                static_cast<unsigned>(t.hour()), static_cast<unsigned>(t.minute()),
                static_cast<unsigned>(t.second()), static_cast<unsigned>(t.msec() * 10));
            store(data, ts);
            break;
        }
        case QMetaType::Bool:
            *data = v.toBool() ? 1 : 0;
            break;
        default: {
            const BlobId id = v.value<BlobId>();
            ISC_QUAD quad;
            quad.gds_quad_high = static_cast<ISC_LONG>(id.high);
            quad.gds_quad_low = id.low;
            store(data, quad);
        }
        }
    }
    status.check();
}

quint64 Statement::execute(const QVariantList& parameters) {
    InputMessage input;
    prepareInput(parameters, input);
    Status status;
    statement_->execute(status.get(), transaction_.handle(), input.metadata.get(),
                        input.buffer.empty() ? nullptr : input.buffer.data(), nullptr, nullptr);
    status.check();
    const quint64 affected = statement_->getAffectedRecords(status.get());
    status.check();
    return affected;
}

void Statement::openCursor(const QVariantList& parameters) {
    closeCursor();
    InputMessage input;
    prepareInput(parameters, input);
    Status status;
    cursor_ = Handle<IResultSet>(statement_->openCursor(
        status.get(), transaction_.handle(), input.metadata.get(),
        input.buffer.empty() ? nullptr : input.buffer.data(), outputMetadata_.get(), 0));
    status.check();
}

bool Statement::fetch(QVariantList& row) {
    if (!cursor_)
        return false;
    Status status;
    const int result = cursor_->fetchNext(status.get(), buffer_.data());
    status.check();
    if (result != IStatus::RESULT_OK)
        return false;
    row.resize(static_cast<qsizetype>(columns_.size()));
    for (std::size_t i = 0; i < columns_.size(); ++i)
        row[static_cast<qsizetype>(i)] = readColumn(i);
    return true;
}

void Statement::closeCursor() noexcept {
    if (!cursor_)
        return;
    Status status;
    cursor_->close(status.get());
    if (!status.failed())
        cursor_.forget();
    else
        cursor_.reset();
}

QVariant Statement::readColumn(std::size_t i) const {
    const unsigned char* base = buffer_.data();
    if (load<short>(base + nullOffsets_[i]) != 0)
        return QVariant();
    const Column& c = columns_[i];
    const unsigned char* p = base + offsets_[i];
    switch (c.sqlType) {
    case SQL_TEXT:
        if (c.charSet == octetsCharSet)
            return QByteArray(reinterpret_cast<const char*>(p), c.length);
        return fromWin1252(reinterpret_cast<const char*>(p), c.length);
    case SQL_VARYING:
        if (c.charSet == octetsCharSet)
            return QByteArray(reinterpret_cast<const char*>(p + 2), load<unsigned short>(p));
        return fromWin1252(reinterpret_cast<const char*>(p + 2), load<unsigned short>(p));
    case SQL_SHORT:
        return c.scale == 0 ? QVariant(static_cast<int>(load<ISC_SHORT>(p)))
                            : QVariant(scaled(load<ISC_SHORT>(p), c.scale));
    case SQL_LONG:
        return c.scale == 0 ? QVariant(static_cast<int>(load<ISC_LONG>(p)))
                            : QVariant(scaled(load<ISC_LONG>(p), c.scale));
    case SQL_INT64:
        return c.scale == 0 ? QVariant(static_cast<qlonglong>(load<ISC_INT64>(p)))
                            : QVariant(scaled(load<ISC_INT64>(p), c.scale));
    case SQL_FLOAT:
        return static_cast<double>(load<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return load<double>(p);
    case SQL_TYPE_DATE:
        return toDate(load<ISC_DATE>(p));
    case SQL_TYPE_TIME:
        return toTime(load<ISC_TIME>(p));
    case SQL_TIMESTAMP: {
        const auto ts = load<ISC_TIMESTAMP>(p);
        return QDateTime(toDate(ts.timestamp_date), toTime(ts.timestamp_time));
    }
    case SQL_BLOB: {
        const auto quad = load<ISC_QUAD>(p);
        return QVariant::fromValue(
            BlobId{static_cast<std::uint32_t>(quad.gds_quad_high), quad.gds_quad_low});
    }
    case SQL_BOOLEAN:
        return *p != 0;
    default:
        return QVariant();
    }
}

} // namespace tirelon::fb
