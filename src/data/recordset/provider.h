#pragma once

#include "data/recordset/sourcedataset.h"

#include <functional>

namespace tirelon {

class TClientDataSet;

enum class TResolverResponse { rrSkip, rrAbort, rrMerge, rrApply, rrIgnore };
enum class TUpdateKind { ukModify, ukInsert, ukDelete };
enum class TDataAction { daFail, daAbort, daRetry };

// One pending change of a cached record set, as the provider writes it.
struct PendingChange {
    TUpdateKind kind = TUpdateKind::ukModify;
    QStringList fields;    // column names, in field order
    QVariantList original; // values as fetched (modify, delete)
    QVariantList current;  // values as edited (modify, insert)
    QList<bool> changed;   // per field, modify only
    QList<bool> isBlob;
};

// Runs its source record set for a cached record set and writes pending
// changes back to the source's table.
class TDataSetProvider : public QObject {
    Q_OBJECT
public:
    using UpdateErrorHandler =
        std::function<void(QObject* sender, TClientDataSet* dataSet, const std::exception& e,
                           TUpdateKind kind, TResolverResponse& response)>;

    explicit TDataSetProvider(QObject* parent = nullptr);

    void setDataSet(SourceDataSet* source) { dataSet_ = source; }
    SourceDataSet* dataSet() const { return dataSet_; }
    // Whether the client's query text is run instead of the source's own.
    void setAllowCommandText(bool allow) { allowCommandText_ = allow; }
    bool allowCommandText() const { return allowCommandText_; }
    void setOnUpdateError(UpdateErrorHandler handler) { onUpdateError_ = std::move(handler); }
    bool hasUpdateErrorHandler() const { return static_cast<bool>(onUpdateError_); }

    std::unique_ptr<SourceCursor> open(const QString& clientCommandText);

    // Writes the changes in one transaction. Stops at the first failure when
    // maxErrors is 0 (or when the update-error handler answers rrAbort) and rolls
    // everything back; commits only when no change failed. Returns the number of
    // failed changes; failedIndex receives the index of the first.
    int applyUpdates(const std::vector<PendingChange>& changes, int maxErrors,
                     TClientDataSet* client, int* failedIndex = nullptr);

private:
    QString tableName() const;

    SourceDataSet* dataSet_ = nullptr;
    bool allowCommandText_ = false;
    UpdateErrorHandler onUpdateError_;
};

} // namespace tirelon
