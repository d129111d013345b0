#pragma once

#include "data/recordset/field.h"
#include "data/recordset/provider.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <vector>

namespace tirelon {

// A cached record set: the rows its provider fetched, held in memory with the
// pending edits, and a Qt table model over them for grids and data-bound edits.
// Blob columns hold the blob's id; their bytes are streamed from the database
// when read, through the read transaction kept while the record set is open.
class TClientDataSet : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using ClientErrorHandler =
        std::function<void(TClientDataSet* dataSet, const std::exception& e, TDataAction& action)>;

    explicit TClientDataSet(QObject* parent = nullptr);
    ~TClientDataSet() override;

    // --- definition
    void addField(const FieldDef& field);
    const QList<FieldDef>& fields() const { return fields_; }
    int fieldIndex(const QString& fieldName) const; // by column name or component name; -1
    const FieldDef& field(const QString& fieldName) const;
    // The provider, found by name among the owner's children when opened.
    void setProviderName(const QString& name) { providerName_ = name; }
    void setProvider(TDataSetProvider* provider) { provider_ = provider; }
    TDataSetProvider* provider() const;
    void setCommandText(const QString& sql) { commandText_ = sql; }
    const QString& commandText() const { return commandText_; }
    // Rows per fetch from the provider; -1 fetches all rows at once.
    void setPacketRecords(int rows) { packetRecords_ = rows; }
    int packetRecords() const { return packetRecords_; }
    // Model columns: these fields, in this order (default: every non-blob field).
    void setModelColumns(const QStringList& fieldNames);

    void setOnPostError(ClientErrorHandler h) { onPostError_ = std::move(h); }
    void setOnEditError(ClientErrorHandler h) { onEditError_ = std::move(h); }
    void setOnDeleteError(ClientErrorHandler h) { onDeleteError_ = std::move(h); }
    bool hasPostErrorHandler() const { return static_cast<bool>(onPostError_); }

    // --- open state and navigation
    void open();
    void close() noexcept;
    bool active() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    int recordCount() const { return static_cast<int>(order_.size()); }
    bool isEmpty() const { return order_.empty(); }
    int recNo() const { return current_; } // 0-based model row; -1 when empty
    void first();
    void next();
    void last();
    void prior();
    void moveTo(int row);
    bool eof() const { return eof_; }

    // --- field values of the current row (or of the edit buffer while editing)
    QVariant value(const QString& fieldName) const;
    QString asString(const QString& fieldName) const;
    QDate asDate(const QString& fieldName) const;
    bool isNull(const QString& fieldName) const;
    // Streams the blob of the current row; readChunk-style callback for writers.
    // Returns nullptr for a null blob.
    class BlobStream;
    std::unique_ptr<BlobStream> openBlob(const QString& fieldName) const;

    // --- editing
    void edit();
    void append();
    void setValue(const QString& fieldName, const QVariant& value);
    void post();
    void cancel();
    void cancelUpdates();
    int changeCount() const;
    // Writes the pending changes through the provider; returns the number of
    // failed changes. Pending changes stay when the apply fails.
    int applyUpdates(int maxErrors);
    // Required fields of the current row that have no value, in field order.
    QStringList requiredFieldsWithoutValue() const;
    // Field names of the current index (the sort keys), in order.
    QStringList indexFieldNames() const;

    // --- local index: sort keys over the fields (model columns' field indexes)
    struct IndexKey {
        int field;
        bool descending;
    };
    void setIndex(const QList<IndexKey>& keys);

    // --- QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    int modelColumnField(int column) const { return modelColumns_.value(column, -1); }

    static constexpr int RawValueRole = Qt::UserRole + 1;

signals:
    void currentRowChanged(int row);
    void stateChanged();
    void dataChangedInCurrentRow();

private slots:
    void connectionClosing();

private:
    struct Row {
        QVariantList values;
        QVariantList original;
        enum class Status { Unmodified, Modified, Inserted } status = Status::Unmodified;
    };
    void requireActive() const;
    void requireBrowseRow() const;
    std::vector<Row> readPacket();
    void storeRows(std::vector<Row>&& packet);
    void fetchPacket();
    void setCurrent(int row);
    const QVariantList* currentValues() const;
    int checkedField(const QString& fieldName) const;
    void rebuildOrder();
    template <typename Op> void runChecked(const ClientErrorHandler& handler, Op&& op);
    QVariant convertFromSource(int field, const QVariant& v) const;

    QList<FieldDef> fields_;
    QList<int> modelColumns_;
    QString providerName_;
    TDataSetProvider* provider_ = nullptr;
    QString commandText_;
    int packetRecords_ = -1;
    ClientErrorHandler onPostError_, onEditError_, onDeleteError_;

    State state_ = State::Inactive;
    std::vector<Row> rows_;
    std::vector<int> order_;    // model row -> storage row
    std::vector<int> columnOf_; // field -> source column, -1 when absent
    QList<IndexKey> index_;
    std::unique_ptr<SourceCursor> cursor_;
    std::shared_ptr<fb::Transaction> transaction_;
    int current_ = -1;
    bool eof_ = true;
    QVariantList buffer_; // edit/insert buffer
};

// Reads a blob of the current row in chunks of any size.
class TClientDataSet::BlobStream {
public:
    virtual ~BlobStream() = default;
    virtual qint64 length() = 0;
    virtual qint64 read(char* buffer, qint64 capacity) = 0;
};

} // namespace tirelon
