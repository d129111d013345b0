#pragma once

#include "data/recordset/clientdataset.h"
#include "export/photofile.h"

#include <functional>

namespace tirelon {

// The query that lists every photo with its article, sent exactly so.
QString articlePhotoQuery();

// Declares the five fields of the article photo record set on dataSet (whose
// object name prefixes the field component names).
void declareArticlePhotoFields(TClientDataSet* dataSet);

// What the export tells the window or the command-line tool as it goes.
class ExportObserver {
public:
    virtual ~ExportObserver() = default;
    // The record set is open and stands on its first row.
    virtual void started(int /*rowsFetched*/) {}
    // The export reached a row; called for every row, with or without a photo.
    virtual void rowReached(int /*row*/, const QString& /*code*/) {}
    // A photo file was written (or found identical and kept).
    virtual void photoWritten(const QString& /*path*/, qint64 /*bytes*/) {}
    // Every row was exported.
    virtual void finished() {}
};

struct ExportSummary {
    int rows = 0;
    int photos = 0;
    int rowsWithoutPhoto = 0;
    qint64 bytes = 0;
};

// Writes the photo of one row and counts it: asks for the installation directory, builds
// the file's path, then opens the photo's bytes with openPhoto (a callable returning a
// pointer to something with length() and read(buffer, capacity)) and writes them. Every
// export loop goes through here, so that all write the same files in the same way.
template <typename OpenPhoto>
void exportPhoto(const QString& code, qint32 item, OpenPhoto&& openPhoto,
                 const std::function<QString()>& installationDirectory, PhotoFileWriter& writer,
                 ExportObserver& observer, ExportSummary& summary) {
    const QString dir = installationDirectory();
    const QString path = photoFilePath(dir, code, item);
    auto photo = openPhoto();
    const qint64 expected = writer.skipUnchanged() ? photo->length() : -1;
    const qint64 bytes = writer.write(
        path, [&](char* buffer, qint64 capacity) { return photo->read(buffer, capacity); },
        expected);
    ++summary.photos;
    summary.bytes += bytes;
    observer.photoWritten(path, bytes);
}

// Runs the export over the article photo record set: closes and reopens it with
// the article photo query, then for every row with a photo asks for the
// installation directory again and writes the stored bytes, unchanged, to
// <dir>/IMAGENES/<code>-<item>.jpg. Nothing is guarded: the first error leaves
// the export at that row (its photo not written, earlier files in place).
ExportSummary exportArticlePhotos(TClientDataSet& articles, ExportObserver& observer,
                                  const std::function<QString()>& installationDirectory,
                                  PhotoFileWriter& writer);

} // namespace tirelon
