#include "export/exporter.h"

namespace tirelon {

QString articlePhotoQuery() {
    return QStringLiteral("SELECT F.ARTI_COD, ARTI_DES, FTAR_ITEM, FTAR_IMAGEN, FTAR_NOMBRE FROM "
                          "FOTOS_ARTICULO F, ARTICULO A WHERE A.ARTI_COD = F.ARTI_COD ORDER BY "
                          "A.ARTI_COD");
}

void declareArticlePhotoFields(TClientDataSet* d) {
    const QString p = d->objectName();
    d->addField(
        {p + "ARTI_COD", "ARTI_COD", FieldType::String, 15, true, QStringLiteral("Codigo")});
    d->addField({p + "ARTI_DES2", "ARTI_DES", FieldType::String, 60, true,
                 QString::fromUtf8("Descripción")});
    d->addField({p + "FTAR_IMAGEN", "FTAR_IMAGEN", FieldType::Blob, 0, false, "Imagen"});
    d->addField({p + "FTAR_NOMBRE", "FTAR_NOMBRE", FieldType::String, 60, false, {}});
    d->addField({p + "FTAR_ITEM", "FTAR_ITEM", FieldType::Integer, 0, true, {}});
    d->setModelColumns({"ARTI_COD", "ARTI_DES"});
}

ExportSummary exportArticlePhotos(TClientDataSet& articles, ExportObserver& observer,
                                  const std::function<QString()>& installationDirectory,
                                  PhotoFileWriter& writer) {
    ExportSummary summary;
    articles.close();
    articles.setCommandText(articlePhotoQuery());
    articles.open();
    articles.first();
    observer.started(articles.recordCount());
    while (!articles.eof()) {
        const QString codeText = articles.asString("ARTI_COD");
        observer.rowReached(articles.recNo(), codeText);
        ++summary.rows;
        if (!articles.isNull("FTAR_IMAGEN")) {
            exportPhoto(
                codeText, articles.value("FTAR_ITEM").toInt(),
                [&] { return articles.openBlob("FTAR_IMAGEN"); }, installationDirectory, writer,
                observer, summary);
        } else {
            ++summary.rowsWithoutPhoto;
        }
        articles.next();
    }
    observer.finished();
    return summary;
}

} // namespace tirelon
