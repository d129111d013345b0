#pragma once

#include "data/fb/connection.h"

#include <QByteArray>
#include <QDate>
#include <QString>

namespace tirelon::demo {

// Creates the ERP tables this program reads, laid out as a company database has them:
// ARTICULO, FOTOS_ARTICULO (no key: a code and item may appear more than once) and
// CONFIGURA_TIENDAV (no key). Text columns have no character set, so they hold
// Windows-1252 bytes. The connection is opened if needed; the tables are committed.
void createCompanySchema(fb::Connection& connection);

// Adds one article; the other ERP columns keep their defaults.
void addArticle(fb::Transaction& transaction, const QString& code, const QString& description);

// Adds one photo row. A null bytes pointer stores a NULL image; a null name a NULL
// FTAR_NOMBRE. The bytes are stored as they are, whatever they hold.
void addPhoto(fb::Transaction& transaction, const QString& code, int item, const QByteArray* bytes,
              const QString& name = {});

// One row of CONFIGURA_TIENDAV. A null QString or an invalid date is stored as NULL;
// an empty (non-null) QString as an empty text.
struct StoreSettings {
    QString urlAdmin;      // COTV_URLADMIN
    QString userAdmin;     // COTV_USUARIOADM
    QString passwordAdmin; // COTV_CLAVEADM
    QString ftpHost;       // COTV_HOSTFTP
    QString ftpUser;       // COTV_USUARIOFTP
    QString ftpPassword;   // COTV_CLAVEFTP
    QString adminDir;      // COTV_DIRADMIN
    QString imagesDir;     // COTV_DIRIMAGES
    QDate lastDate;        // COTV_FECULT
    QString storeDatabase; // COTV_DBTIENDA
};

// Replaces every row of CONFIGURA_TIENDAV with the one given.
void setStoreSettings(fb::Transaction& transaction, const StoreSettings& settings);
// Appends a row, leaving the others in place.
void addStoreSettingsRow(fb::Transaction& transaction, const StoreSettings& settings);

// A JPEG picture of a product: a coloured shape on a light background with the
// article code and item written on it. Needs a QGuiApplication (for the fonts).
// A larger side gives a larger file; detail adds texture, so the file grows well
// beyond a blob segment.
QByteArray productPhoto(const QString& code, int item, int side = 400, bool detail = false);

// What createDemoCompany puts in the database, for the setup program's summary.
struct DemoCompanySummary {
    int articles = 0;
    int photoRows = 0;
    int nullPhotos = 0;
};

// Creates a new company database at databasePath (which must not exist yet) with
// the tables above, a dozen articles with Spanish descriptions, about thirty JPEG
// photos, one article without photos, one photo row without an image and one
// store settings row. Needs a QGuiApplication. Throws DbError or Error.
DemoCompanySummary createDemoCompany(const QString& databasePath);

} // namespace tirelon::demo
