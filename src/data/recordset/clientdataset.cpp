#include "data/recordset/clientdataset.h"

#include "data/fb/blob.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace tirelon {

namespace {

bool hasValue(const QVariant& v) {
    return v.isValid() && !(v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

int compareValues(const QVariant& a, const QVariant& b) {
    const bool na = !a.isValid(), nb = !b.isValid();
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    switch (a.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return a.toLongLong() < b.toLongLong() ? -1 : (a.toLongLong() > b.toLongLong() ? 1 : 0);
    case QMetaType::Double:
        return a.toDouble() < b.toDouble() ? -1 : (a.toDouble() > b.toDouble() ? 1 : 0);
    case QMetaType::QDate:
        return a.toDate() < b.toDate() ? -1 : (a.toDate() > b.toDate() ? 1 : 0);
    default:
        return QString::localeAwareCompare(a.toString(), b.toString());
    }
}

class ReaderStream : public TClientDataSet::BlobStream {
public:
    ReaderStream(std::shared_ptr<fb::Transaction> transaction, const fb::BlobId& id)
        : transaction_(std::move(transaction)), reader_(*transaction_, id) {}
    qint64 length() override { return reader_.length(); }
    qint64 read(char* buffer, qint64 capacity) override { return reader_.read(buffer, capacity); }

private:
    std::shared_ptr<fb::Transaction> transaction_;
    fb::BlobReader reader_;
};

} // namespace

TClientDataSet::TClientDataSet(QObject* parent) : QAbstractTableModel(parent) {}

TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::addField(const FieldDef& field) {
    fields_.append(field);
    if (field.type != FieldType::Blob)
        modelColumns_.append(static_cast<int>(fields_.size() - 1));
}

void TClientDataSet::setModelColumns(const QStringList& fieldNames) {
    beginResetModel();
    modelColumns_.clear();
    for (const QString& name : fieldNames)
        modelColumns_.append(checkedField(name));
    endResetModel();
}

int TClientDataSet::fieldIndex(const QString& fieldName) const {
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0 ||
            fields_[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TClientDataSet::checkedField(const QString& fieldName) const {
    const int i = fieldIndex(fieldName);
    if (i < 0)
        throw Error(QStringLiteral("%1: Field '%2' not found").arg(objectName(), fieldName));
    return i;
}

const FieldDef& TClientDataSet::field(const QString& fieldName) const {
    return fields_[checkedField(fieldName)];
}

TDataSetProvider* TClientDataSet::provider() const {
    if (provider_)
        return provider_;
    if (!providerName_.isEmpty() && parent())
        return parent()->findChild<TDataSetProvider*>(providerName_, Qt::FindDirectChildrenOnly);
    return nullptr;
}

void TClientDataSet::requireActive() const {
    if (state_ == State::Inactive)
        throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

QVariant TClientDataSet::convertFromSource(int field, const QVariant& v) const {
    if (!v.isValid())
        return v;
    switch (fields_[field].type) {
    case FieldType::Date:
        return v.typeId() == QMetaType::QDateTime ? QVariant(v.toDateTime().date()) : v;
    case FieldType::Integer:
        return v.typeId() == QMetaType::Int ? v : QVariant(v.toInt());
    case FieldType::String:
        return v.typeId() == QMetaType::QString ? v : QVariant(v.toString());
    case FieldType::Blob:
        return v;
    }
    return v;
}

void TClientDataSet::open() {
    if (active())
        return;
    TDataSetProvider* p = provider();
    if (!p)
        throw Error(QStringLiteral("%1: Missing data provider or data packet").arg(objectName()));
    auto cursor = p->open(commandText_);
    std::vector<int> columnOf;
    for (const FieldDef& f : fields_) {
        int found = -1;
        for (std::size_t c = 0; c < cursor->columns().size(); ++c)
            if (cursor->columns()[c].name.compare(f.fieldName, Qt::CaseInsensitive) == 0) {
                found = static_cast<int>(c);
                break;
            }
        if (found < 0)
            throw Error(QStringLiteral("%1: Field '%2' not found").arg(objectName(), f.fieldName));
        columnOf.push_back(found);
    }
    beginResetModel();
    columnOf_ = std::move(columnOf);
    cursor_ = std::move(cursor);
    transaction_ = cursor_->transaction();
    rows_.clear();
    order_.clear();
    state_ = State::Browse;
    if (auto* source = p->dataSet())
        connect(source->connection(), &fb::Connection::closing, this,
                &TClientDataSet::connectionClosing, Qt::UniqueConnection);
    try {
        storeRows(readPacket());
    } catch (...) {
        state_ = State::Inactive;
        cursor_.reset();
        transaction_.reset();
        endResetModel();
        throw;
    }
    endResetModel();
    current_ = order_.empty() ? -1 : 0;
    eof_ = order_.empty();
    emit stateChanged();
    emit currentRowChanged(current_);
}

std::vector<TClientDataSet::Row> TClientDataSet::readPacket() {
    std::vector<Row> packet;
    if (!cursor_)
        return packet;
    const auto fetched = cursor_->fetch(packetRecords_ <= 0 ? -1 : packetRecords_);
    packet.reserve(fetched.size());
    for (const QVariantList& source : fetched) {
        Row row;
        row.values.reserve(fields_.size());
        for (int f = 0; f < fields_.size(); ++f)
            row.values.append(
                convertFromSource(f, source.value(columnOf_[static_cast<std::size_t>(f)])));
        row.original = row.values;
        packet.push_back(std::move(row));
    }
    if (cursor_->atEnd())
        cursor_.reset(); // the transaction stays for the blobs
    return packet;
}

void TClientDataSet::storeRows(std::vector<Row>&& packet) {
    for (Row& row : packet) {
        rows_.push_back(std::move(row));
        order_.push_back(static_cast<int>(rows_.size() - 1));
    }
}

void TClientDataSet::fetchPacket() {
    auto packet = readPacket();
    if (packet.empty())
        return;
    const int first = recordCount();
    beginInsertRows({}, first, first + static_cast<int>(packet.size()) - 1);
    storeRows(std::move(packet));
    endInsertRows();
}

void TClientDataSet::close() noexcept {
    if (!active())
        return;
    beginResetModel();
    rows_.clear();
    order_.clear();
    buffer_.clear();
    cursor_.reset();
    transaction_.reset();
    state_ = State::Inactive;
    current_ = -1;
    eof_ = true;
    endResetModel();
    emit stateChanged();
    emit currentRowChanged(-1);
}

void TClientDataSet::connectionClosing() {
    // The rows stay; what was still unfetched, and the blobs, are gone.
    cursor_.reset();
    transaction_.reset();
}

void TClientDataSet::setCurrent(int row) {
    if (row == current_)
        return;
    current_ = row;
    emit currentRowChanged(row);
}

void TClientDataSet::first() {
    requireActive();
    if (state_ != State::Browse)
        post();
    eof_ = order_.empty();
    setCurrent(order_.empty() ? -1 : 0);
}

void TClientDataSet::next() {
    requireActive();
    if (state_ != State::Browse)
        post();
    if (current_ + 1 >= recordCount() && cursor_)
        fetchPacket();
    if (current_ + 1 < recordCount()) {
        setCurrent(current_ + 1);
        eof_ = false;
    } else {
        eof_ = true;
    }
}

void TClientDataSet::last() {
    requireActive();
    while (cursor_)
        fetchPacket();
    eof_ = true;
    setCurrent(recordCount() - 1);
}

void TClientDataSet::prior() {
    requireActive();
    if (current_ > 0)
        setCurrent(current_ - 1);
    eof_ = false;
}

void TClientDataSet::moveTo(int row) {
    requireActive();
    if (row < 0 || row >= recordCount())
        return;
    if (state_ != State::Browse)
        post();
    eof_ = false;
    setCurrent(row);
}

const QVariantList* TClientDataSet::currentValues() const {
    if (state_ == State::Edit || state_ == State::Insert)
        return &buffer_;
    if (current_ < 0 || current_ >= recordCount())
        return nullptr;
    return &rows_[static_cast<std::size_t>(order_[static_cast<std::size_t>(current_)])].values;
}

QVariant TClientDataSet::value(const QString& fieldName) const {
    const int f = checkedField(fieldName);
    const QVariantList* values = currentValues();
    return values ? values->value(f) : QVariant();
}

QString TClientDataSet::asString(const QString& fieldName) const {
    const QVariant v = value(fieldName);
    if (v.typeId() == QMetaType::QDate)
        return QLocale::system().toString(v.toDate(), QLocale::ShortFormat);
    return v.isValid() ? v.toString() : QString();
}

QDate TClientDataSet::asDate(const QString& fieldName) const {
    const QVariant v = value(fieldName);
    return v.isValid() ? v.toDate() : dateZero();
}

bool TClientDataSet::isNull(const QString& fieldName) const {
    return !value(fieldName).isValid();
}

std::unique_ptr<TClientDataSet::BlobStream>
TClientDataSet::openBlob(const QString& fieldName) const {
    const QVariant v = value(fieldName);
    if (!v.isValid())
        return nullptr;
    if (!transaction_ || !transaction_->isActive())
        throw Error(QStringLiteral("Cannot read the blob: the connection was closed"));
    return std::make_unique<ReaderStream>(transaction_, v.value<fb::BlobId>());
}

template <typename Op> void TClientDataSet::runChecked(const ClientErrorHandler& handler, Op&& op) {
    for (;;) {
        try {
            op();
            return;
        } catch (const SilentAbort&) {
            throw;
        } catch (const std::exception& e) {
            if (!handler)
                throw;
            TDataAction action = TDataAction::daFail;
            handler(this, e, action);
            if (action == TDataAction::daFail)
                throw;
            if (action == TDataAction::daAbort)
                throw SilentAbort();
        }
    }
}

void TClientDataSet::edit() {
    requireActive();
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    if (order_.empty()) {
        append();
        return;
    }
    runChecked(onEditError_, [&] {
        buffer_ =
            rows_[static_cast<std::size_t>(order_[static_cast<std::size_t>(current_)])].values;
        state_ = State::Edit;
    });
    emit stateChanged();
}

void TClientDataSet::append() {
    requireActive();
    if (state_ != State::Browse)
        post();
    buffer_ = QVariantList(fields_.size());
    state_ = State::Insert;
    emit stateChanged();
    emit dataChangedInCurrentRow();
}

void TClientDataSet::setValue(const QString& fieldName, const QVariant& value) {
    const int f = checkedField(fieldName);
    if (state_ != State::Edit && state_ != State::Insert)
        throw Error(QStringLiteral("Dataset not in edit or insert mode"));
    QVariant v = value;
    if (fields_[f].type == FieldType::String && v.isValid()) {
        QString text = v.toString();
        if (fields_[f].size > 0 && text.size() > fields_[f].size)
            text.truncate(fields_[f].size);
        v = text.isEmpty() ? QVariant() : QVariant(text); // blank text is no value
    }
    buffer_[f] = v;
    emit dataChangedInCurrentRow();
}

QStringList TClientDataSet::requiredFieldsWithoutValue() const {
    QStringList names;
    const QVariantList* values = currentValues();
    for (int f = 0; f < fields_.size(); ++f)
        if (fields_[f].required && (!values || !hasValue(values->value(f))))
            names << fields_[f].fieldName;
    return names;
}

QStringList TClientDataSet::indexFieldNames() const {
    QStringList names;
    for (const IndexKey& k : index_)
        names << fields_[k.field].fieldName;
    return names;
}

void TClientDataSet::post() {
    requireActive();
    if (state_ == State::Browse)
        return;
    runChecked(onPostError_, [&] {
        for (int f = 0; f < fields_.size(); ++f)
            if (fields_[f].required && !hasValue(buffer_[f]))
                throw Error(
                    QStringLiteral("Field '%1' must have a value").arg(fields_[f].displayName()));
    });
    if (state_ == State::Insert) {
        Row row;
        row.values = buffer_;
        row.original = QVariantList(fields_.size());
        row.status = Row::Status::Inserted;
        const int at = recordCount();
        beginInsertRows({}, at, at);
        rows_.push_back(std::move(row));
        order_.push_back(static_cast<int>(rows_.size() - 1));
        endInsertRows();
        state_ = State::Browse;
        buffer_.clear();
        current_ = -2; // force the signal
        setCurrent(at);
    } else {
        Row& row = rows_[static_cast<std::size_t>(order_[static_cast<std::size_t>(current_)])];
        if (buffer_ != row.values) {
            row.values = buffer_;
            if (row.status == Row::Status::Unmodified)
                row.status = Row::Status::Modified;
            emit dataChanged(index(current_, 0), index(current_, columnCount() - 1));
        }
        state_ = State::Browse;
        buffer_.clear();
    }
    emit stateChanged();
}

void TClientDataSet::cancel() {
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    state_ = State::Browse;
    buffer_.clear();
    emit stateChanged();
    emit dataChangedInCurrentRow();
}

void TClientDataSet::cancelUpdates() {
    if (!active())
        return;
    cancel();
    beginResetModel();
    std::vector<Row> kept;
    for (Row& row : rows_) {
        if (row.status == Row::Status::Inserted)
            continue;
        row.values = row.original;
        row.status = Row::Status::Unmodified;
        kept.push_back(std::move(row));
    }
    rows_ = std::move(kept);
    rebuildOrder();
    endResetModel();
    current_ = -2;
    setCurrent(order_.empty() ? -1 : 0);
    eof_ = order_.empty();
    emit dataChangedInCurrentRow();
}

int TClientDataSet::changeCount() const {
    int n = 0;
    for (const Row& row : rows_)
        if (row.status != Row::Status::Unmodified)
            ++n;
    if (state_ == State::Insert ||
        (state_ == State::Edit && current_ >= 0 &&
         buffer_ !=
             rows_[static_cast<std::size_t>(order_[static_cast<std::size_t>(current_)])].values))
        ++n;
    return n;
}

int TClientDataSet::applyUpdates(int maxErrors) {
    requireActive();
    post();
    TDataSetProvider* p = provider();
    if (!p)
        throw Error(QStringLiteral("%1: Missing data provider or data packet").arg(objectName()));
    std::vector<PendingChange> changes;
    std::vector<std::size_t> changedRows;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const Row& row = rows_[r];
        if (row.status == Row::Status::Unmodified)
            continue;
        PendingChange c;
        c.kind =
            row.status == Row::Status::Inserted ? TUpdateKind::ukInsert : TUpdateKind::ukModify;
        for (int f = 0; f < fields_.size(); ++f) {
            c.fields << fields_[f].fieldName;
            c.original << row.original[f];
            c.current << row.values[f];
            c.changed << (row.values[f] != row.original[f]);
            c.isBlob << (fields_[f].type == FieldType::Blob);
        }
        changes.push_back(std::move(c));
        changedRows.push_back(r);
    }
    const int errors = p->applyUpdates(changes, maxErrors, this);
    if (errors == 0 || maxErrors < 0 || errors <= maxErrors) {
        for (std::size_t r : changedRows) {
            rows_[r].original = rows_[r].values;
            rows_[r].status = Row::Status::Unmodified;
        }
    }
    return errors;
}

void TClientDataSet::setIndex(const QList<IndexKey>& keys) {
    requireActive();
    if (state_ != State::Browse)
        post();
    while (cursor_)
        fetchPacket(); // an index covers every row
    emit layoutAboutToBeChanged();
    index_ = keys;
    rebuildOrder();
    emit layoutChanged();
    current_ = -2;
    setCurrent(order_.empty() ? -1 : 0);
    eof_ = order_.empty();
}

void TClientDataSet::rebuildOrder() {
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), 0);
    if (index_.isEmpty())
        return;
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        for (const IndexKey& k : index_) {
            const int c = compareValues(rows_[static_cast<std::size_t>(a)].values[k.field],
                                        rows_[static_cast<std::size_t>(b)].values[k.field]);
            if (c != 0)
                return k.descending ? c > 0 : c < 0;
        }
        return false;
    });
}

int TClientDataSet::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : recordCount();
}

int TClientDataSet::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(modelColumns_.size());
}

QVariant TClientDataSet::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= recordCount() || index.column() >= columnCount())
        return {};
    const int f = modelColumns_[index.column()];
    const QVariant& v =
        rows_[static_cast<std::size_t>(order_[static_cast<std::size_t>(index.row())])].values[f];
    if (role == RawValueRole)
        return v;
    if (role == Qt::DisplayRole) {
        if (v.typeId() == QMetaType::QDate)
            return QLocale::system().toString(v.toDate(), QLocale::ShortFormat);
        if (fields_[f].type == FieldType::Blob)
            return v.isValid() ? QStringLiteral("(BLOB)") : QStringLiteral("(blob)");
        return v.isValid() ? v.toString() : QString();
    }
    return {};
}

QVariant TClientDataSet::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnCount())
        return fields_[modelColumns_[section]].displayName();
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool TClientDataSet::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && cursor_ != nullptr;
}

void TClientDataSet::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid())
        fetchPacket();
}

} // namespace tirelon
