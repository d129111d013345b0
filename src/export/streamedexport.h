#pragma once

#include "data/fb/connection.h"
#include "export/exporter.h"

#include <functional>
#include <vector>

namespace tirelon {

// Photos up to this size travel inside their row in the streamed export.
constexpr int inlinePhotoLimit = 32000;

// The rows and order of articlePhotoQuery(), with each photo of up to inlinePhotoLimit bytes
// also in the column FTAR_IMAGEN_FILA (text in the character set OCTETS, its bytes
// unchanged; NULL for larger photos), read instead of the blob FTAR_IMAGEN. A blob read
// apart costs two round trips to a server; a photo in its row costs none.
QString inlinePhotoQuery();

// One row of the export as the command line lists it.
struct ExportedRow {
    QString code;
    QString description;
    qint32 item = 0;
    bool written = false;
};

// The export for programs without a record set: reads the article photos from the connection
// one row at a time, writing each photo as its row arrives, so memory stays the same however
// many rows and bytes there are. Small photos come inside their rows (inlinePhotoQuery());
// if the database refuses that query, or its image column is not a binary blob, the export
// reads every photo as a blob with articlePhotoQuery() instead.
//
// Files, order of writing, observer calls and errors are those of exportArticlePhotos: the
// first failure ends the export at its row. When rows is given it receives every row with
// whether its photo was written; after a failure the rows not reached are still read, when
// the database allows, and listed as not written.
ExportSummary exportArticlePhotosStreamed(fb::Connection& connection, ExportObserver& observer,
                                          const std::function<QString()>& installationDirectory,
                                          PhotoFileWriter& writer,
                                          std::vector<ExportedRow>* rows = nullptr);

} // namespace tirelon
