#include "export/streamedexport.h"

#include "data/fb/blob.h"
#include "data/fb/dberror.h"
#include "data/fb/statement.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tirelon {

namespace {

QString countQuery() {
    return QStringLiteral("SELECT COUNT(*) FROM FOTOS_ARTICULO F, ARTICULO A WHERE A.ARTI_COD = "
                          "F.ARTI_COD");
}

// Where the export finds its values in a fetched row.
struct RowLayout {
    int code = -1;
    int description = -1;
    int item = -1;
    int blob = -1;
    int inlined = -1; // -1 when every photo comes as a blob

    static RowLayout of(const fb::Statement& statement) {
        RowLayout layout;
        const auto& columns = statement.columns();
        for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
            const QString& name = columns[static_cast<std::size_t>(i)].name;
            if (name == u"ARTI_COD")
                layout.code = i;
            else if (name == u"ARTI_DES")
                layout.description = i;
            else if (name == u"FTAR_ITEM")
                layout.item = i;
            else if (name == u"FTAR_IMAGEN")
                layout.blob = i;
            else if (name == u"FTAR_IMAGEN_FILA")
                layout.inlined = i;
        }
        return layout;
    }
};

bool isBinaryBlob(const fb::Statement& statement, int column) {
    if (column < 0)
        return false;
    const fb::Column& c = statement.columns()[static_cast<std::size_t>(column)];
    return c.kind == fb::ColumnKind::Blob && c.subType == 0;
}

// The statement of the export: the query with small photos inside their rows when the
// database takes it, else the plain one. The plain query is prepared first, so that a
// database that lacks a table or column fails with exactly the plain query's error.
std::unique_ptr<fb::Statement> prepareExport(fb::Transaction& transaction) {
    auto plain = std::make_unique<fb::Statement>(transaction, articlePhotoQuery());
    if (!isBinaryBlob(*plain, RowLayout::of(*plain).blob))
        return plain; // text photos would be converted by the cast
    try {
        return std::make_unique<fb::Statement>(transaction, inlinePhotoQuery());
    } catch (const fb::DbError&) {
        return plain;
    }
}

int countRows(fb::Transaction& transaction) {
    fb::Statement count(transaction, countQuery());
    count.openCursor();
    QVariantList row;
    return count.fetch(row) && !row.isEmpty() ? row.front().toInt() : 0;
}

// A photo held in its row.
class BytesPhoto {
public:
    explicit BytesPhoto(const QByteArray& bytes) : bytes_(bytes) {}
    qint64 length() const { return bytes_.size(); }
    qint64 read(char* buffer, qint64 capacity) {
        const qint64 n = std::min<qint64>(capacity, bytes_.size() - offset_);
        std::memcpy(buffer, bytes_.constData() + offset_, static_cast<std::size_t>(n));
        offset_ += n;
        return n;
    }

private:
    const QByteArray& bytes_;
    qint64 offset_ = 0;
};

ExportedRow listedRow(const QVariantList& row, const RowLayout& layout) {
    return {row.value(layout.code).toString(), row.value(layout.description).toString(),
            row.value(layout.item).toInt(), false};
}

// After a failure: the rows not reached yet, for the list, as far as the cursor still
// reads. The failure already being reported is the one that counts, so a second one only
// ends the list.
void listRemainingRows(fb::Statement& statement, const RowLayout& layout,
                       std::vector<ExportedRow>& rows) noexcept {
    try {
        QVariantList row;
        while (statement.fetch(row))
            rows.push_back(listedRow(row, layout));
    } catch (...) {
    }
}

} // namespace

QString inlinePhotoQuery() {
    const QString limit = QString::number(inlinePhotoLimit);
    return QStringLiteral("SELECT F.ARTI_COD, ARTI_DES, FTAR_ITEM, FTAR_IMAGEN, "
                          "CAST(CASE WHEN OCTET_LENGTH(FTAR_IMAGEN) <= %1 THEN FTAR_IMAGEN END AS "
                          "VARCHAR(%1) CHARACTER SET OCTETS) AS FTAR_IMAGEN_FILA, "
                          "FTAR_NOMBRE FROM FOTOS_ARTICULO F, ARTICULO A WHERE A.ARTI_COD = "
                          "F.ARTI_COD ORDER BY A.ARTI_COD")
        .arg(limit);
}

ExportSummary exportArticlePhotosStreamed(fb::Connection& connection, ExportObserver& observer,
                                          const std::function<QString()>& installationDirectory,
                                          PhotoFileWriter& writer, std::vector<ExportedRow>* rows) {
    ExportSummary summary;
    auto transaction = connection.startTransaction(fb::Transaction::Kind::ReadOnly);
    auto statement = prepareExport(*transaction);
    const RowLayout layout = RowLayout::of(*statement);
    const int expectedRows = countRows(*transaction);
    statement->openCursor();
    observer.started(expectedRows);

    QVariantList row;
    try {
        while (statement->fetch(row)) {
            const QString code = row.value(layout.code).toString();
            observer.rowReached(summary.rows, code);
            ++summary.rows;
            if (rows)
                rows->push_back(listedRow(row, layout));
            const qint32 item = row.value(layout.item).toInt();
            const QVariant inlined = layout.inlined >= 0 ? row.at(layout.inlined) : QVariant();
            const QVariant blob = row.value(layout.blob);
            if (inlined.isValid()) {
                const QByteArray bytes = inlined.toByteArray();
                BytesPhoto photo(bytes);
                exportPhoto(
                    code, item, [&] { return &photo; }, installationDirectory, writer, observer,
                    summary);
            } else if (blob.isValid()) {
                exportPhoto(
                    code, item,
                    [&] {
                        return std::make_unique<fb::BlobReader>(*transaction,
                                                                blob.value<fb::BlobId>());
                    },
                    installationDirectory, writer, observer, summary);
            } else {
                ++summary.rowsWithoutPhoto;
                continue;
            }
            if (rows)
                rows->back().written = true;
        }
    } catch (...) {
        if (rows)
            listRemainingRows(*statement, layout, *rows);
        throw;
    }
    observer.finished();
    return summary;
}

} // namespace tirelon
