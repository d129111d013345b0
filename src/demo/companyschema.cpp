#include "demo/companyschema.h"

#include "data/fb/blob.h"
#include "data/fb/database.h"
#include "data/fb/statement.h"
#include "platform/error.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <array>

namespace tirelon::demo {

namespace {

// Text columns carry no CHARACTER SET clause: the database has no default one, so
// they are NONE and store the bytes the client sends (Windows-1252).
constexpr std::array kSchema = {
    "CREATE TABLE ARTICULO ("
    " ARTI_COD VARCHAR(15) NOT NULL PRIMARY KEY,"
    " ARTI_DES VARCHAR(60) NOT NULL,"
    " ARTI_FAMILIA VARCHAR(10),"
    " ARTI_PVP NUMERIC(12, 2) DEFAULT 0,"
    " ARTI_FECALTA DATE DEFAULT CURRENT_DATE,"
    " ARTI_BAJA CHAR(1) DEFAULT 'N')",
    "CREATE TABLE FOTOS_ARTICULO ("
    " ARTI_COD VARCHAR(15) NOT NULL,"
    " FTAR_ITEM INTEGER NOT NULL,"
    " FTAR_IMAGEN BLOB SUB_TYPE 0,"
    " FTAR_NOMBRE VARCHAR(60))",
    "CREATE TABLE CONFIGURA_TIENDAV ("
    " COTV_URLADMIN VARCHAR(255),"
    " COTV_USUARIOADM VARCHAR(25),"
    " COTV_CLAVEADM VARCHAR(25),"
    " COTV_HOSTFTP VARCHAR(255),"
    " COTV_USUARIOFTP VARCHAR(25),"
    " COTV_CLAVEFTP VARCHAR(25),"
    " COTV_DIRADMIN VARCHAR(255),"
    " COTV_DIRIMAGES VARCHAR(255),"
    " COTV_FECULT DATE,"
    " COTV_DBTIENDA VARCHAR(100))",
};

QVariant textOrNull(const QString& text) {
    return text.isNull() ? QVariant() : QVariant(text);
}

void run(fb::Transaction& transaction, const QString& sql, const QVariantList& parameters = {}) {
    fb::Statement statement(transaction, sql);
    statement.execute(parameters);
}

void requireGuiApplication() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw Error(QStringLiteral("Drawing the demo photos needs a QGuiApplication"));
}

// A stable colour per article code, so every photo of an article shares its hue.
QColor articleColour(const QString& code) {
    const int hue = static_cast<int>(qHash(code, 7u) % 360u);
    return QColor::fromHsv(hue, 170, 200);
}

struct DemoArticle {
    const char* code;
    const char* description; // UTF-8 source text
    const char* family;
    double price;
    int photos;
};

// Descriptions use accents and the euro sign, which Windows-1252 holds at 0x80.
constexpr std::array kArticles = {
    DemoArticle{"CAM001", "Camiseta algodón", "TEXTIL", 12.95, 3},
    DemoArticle{"PAN002", "Pantalón vaquero", "TEXTIL", 39.90, 3},
    DemoArticle{"ZAP003", "Zapatillas de montaña", "CALZADO", 74.50, 3},
    DemoArticle{"CHA004", "Chaqueta impermeable", "TEXTIL", 89.00, 3},
    DemoArticle{"SUD005", "Sudadera con capucha", "TEXTIL", 29.95, 3},
    DemoArticle{"GOR006", "Gorra de béisbol", "COMPLEM", 14.00, 2},
    DemoArticle{"MOC007", "Mochila de 25 L", "COMPLEM", 45.00, 3},
    DemoArticle{"BUF008", "Bufanda de lana", "COMPLEM", 18.50, 2},
    DemoArticle{"CIN009", "Cinturón de piel", "COMPLEM", 22.00, 2},
    DemoArticle{"GUA010", "Guantes de esquí", "COMPLEM", 27.90, 2},
    DemoArticle{"CAL011", "Calcetines térmicos", "TEXTIL", 8.95, 0},
    DemoArticle{"CAS012", "Camisa de lino", "TEXTIL", 34.00, 3},
    DemoArticle{"BOT013", "Botas de agua niño", "CALZADO", 24.95, 2},
    DemoArticle{"REG020", "Tarjeta regalo 20 €", "REGALO", 20.00, 1},
};

// The article whose photo rows include one without an image, and that item.
constexpr const char* kNullPhotoCode = "CAS012";
constexpr int kNullPhotoItem = 3;
// The article whose first photo is large and detailed (several blob segments).
constexpr const char* kLargePhotoCode = "MOC007";

const std::array<const char*, 3> kPhotoNames = {"Vista frontal", "Vista trasera", "Detalle"};

} // namespace

void createCompanySchema(fb::Connection& connection) {
    for (const char* sql : kSchema) {
        // Firebird needs a table's creation committed before rows can go in.
        auto transaction = connection.startTransaction(fb::Transaction::Kind::ReadWrite);
        run(*transaction, QString::fromLatin1(sql));
        transaction->commit();
    }
}

void addArticle(fb::Transaction& transaction, const QString& code, const QString& description) {
    run(transaction, QStringLiteral("INSERT INTO ARTICULO (ARTI_COD, ARTI_DES) VALUES (?, ?)"),
        {code, description});
}

void addPhoto(fb::Transaction& transaction, const QString& code, int item, const QByteArray* bytes,
              const QString& name) {
    QVariant image;
    if (bytes)
        image = QVariant::fromValue(fb::writeBlob(transaction, *bytes));
    run(transaction,
        QStringLiteral("INSERT INTO FOTOS_ARTICULO (ARTI_COD, FTAR_ITEM, FTAR_IMAGEN, FTAR_NOMBRE)"
                       " VALUES (?, ?, ?, ?)"),
        {code, item, image, textOrNull(name)});
}

void addStoreSettingsRow(fb::Transaction& transaction, const StoreSettings& s) {
    run(transaction,
        QStringLiteral("INSERT INTO CONFIGURA_TIENDAV (COTV_URLADMIN, COTV_USUARIOADM,"
                       " COTV_CLAVEADM, COTV_HOSTFTP, COTV_USUARIOFTP, COTV_CLAVEFTP,"
                       " COTV_DIRADMIN, COTV_DIRIMAGES, COTV_FECULT, COTV_DBTIENDA)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {textOrNull(s.urlAdmin), textOrNull(s.userAdmin), textOrNull(s.passwordAdmin),
         textOrNull(s.ftpHost), textOrNull(s.ftpUser), textOrNull(s.ftpPassword),
         textOrNull(s.adminDir), textOrNull(s.imagesDir),
         s.lastDate.isValid() ? QVariant(s.lastDate) : QVariant(), textOrNull(s.storeDatabase)});
}

void setStoreSettings(fb::Transaction& transaction, const StoreSettings& settings) {
    run(transaction, QStringLiteral("DELETE FROM CONFIGURA_TIENDAV"));
    addStoreSettingsRow(transaction, settings);
}

QByteArray productPhoto(const QString& code, int item, int side, bool detail) {
    requireGuiApplication();
    QImage image(side, side, QImage::Format_RGB32);
    const QColor colour = articleColour(code);
    image.fill(colour.lighter(180));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (detail) {
            // Fine random texture: JPEG cannot compress it much, so the file is large.
            QRandomGenerator random(static_cast<quint32>(qHash(code)) + static_cast<quint32>(item));
            for (int y = 0; y < side; y += 2)
                for (int x = 0; x < side; x += 2)
                    painter.fillRect(x, y, 2, 2,
                                     QColor::fromHsv(colour.hue(), 60 + random.bounded(80),
                                                     150 + random.bounded(100)));
        }
        // The "product": a body with a darker band, seen from another angle per item.
        const qreal unit = side / 10.0;
        painter.translate(side / 2.0, side * 0.45);
        painter.rotate((item - 1) * 15.0);
        QPainterPath body;
        body.addRoundedRect(-3 * unit, -3 * unit, 6 * unit, 6 * unit, unit, unit);
        painter.fillPath(body, colour);
        painter.fillRect(QRectF(-3 * unit, -0.6 * unit, 6 * unit, 1.2 * unit), colour.darker(150));
        painter.setPen(QPen(colour.darker(200), unit / 8));
        painter.drawPath(body);
        painter.resetTransform();

        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(qMax(10, side / 12));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, side * 0.82, side, side * 0.15), Qt::AlignCenter,
                         code + QLatin1Char('-') + QString::number(item));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", detail ? 95 : 85))
        throw Error(QStringLiteral("Cannot encode the demo photo of %1 as JPEG").arg(code));
    return bytes;
}

DemoCompanySummary createDemoCompany(const QString& databasePath) {
    requireGuiApplication();
    fb::createDatabase(databasePath);
    fb::Connection connection;
    connection.params().set(QStringLiteral("Database"), databasePath);
    connection.params().set(QStringLiteral("User_Name"), QStringLiteral("SYSDBA"));
    connection.params().set(QStringLiteral("Password"), QStringLiteral("masterkey"));
    connection.params().set(QStringLiteral("SQLDialect"), QStringLiteral("3"));
    connection.open();
    createCompanySchema(connection);

    DemoCompanySummary summary;
    auto transaction = connection.startTransaction(fb::Transaction::Kind::ReadWrite);
    for (const DemoArticle& article : kArticles) {
        const QString code = QString::fromLatin1(article.code);
        run(*transaction,
            QStringLiteral("INSERT INTO ARTICULO (ARTI_COD, ARTI_DES, ARTI_FAMILIA, ARTI_PVP)"
                           " VALUES (?, ?, ?, ?)"),
            {code, QString::fromUtf8(article.description), QString::fromLatin1(article.family),
             article.price});
        ++summary.articles;
        // Items go in in the order 2, 1, 3: the export's ORDER BY, not the insertion,
        // decides what the user sees.
        for (int item : {2, 1, 3}) {
            if (item > article.photos)
                continue;
            const QString name =
                QString::fromLatin1(kPhotoNames[static_cast<std::size_t>(item - 1)]);
            ++summary.photoRows;
            if (code == QLatin1String(kNullPhotoCode) && item == kNullPhotoItem) {
                addPhoto(*transaction, code, item, nullptr, name);
                ++summary.nullPhotos;
                continue;
            }
            const bool large = code == QLatin1String(kLargePhotoCode) && item == 1;
            const QByteArray jpeg = productPhoto(code, item, large ? 1000 : 400, large);
            addPhoto(*transaction, code, item, &jpeg, name);
        }
    }

    StoreSettings settings;
    settings.urlAdmin = QStringLiteral("https://tienda.ejemplo.es/admin");
    settings.userAdmin = QStringLiteral("admin");
    settings.passwordAdmin = QStringLiteral("Tienda2024");
    settings.ftpHost = QStringLiteral("ftp.ejemplo.es");
    settings.ftpUser = QStringLiteral("tiendaftp");
    settings.ftpPassword = QStringLiteral("Ftp#2024");
    settings.adminDir = QStringLiteral("/public_html/admin");
    settings.imagesDir = QStringLiteral("/public_html/img/p");
    settings.lastDate = QDate(2024, 3, 15);
    settings.storeDatabase = QStringLiteral("tienda_ejemplo");
    setStoreSettings(*transaction, settings);

    transaction->commit();
    connection.close();
    return summary;
}

} // namespace tirelon::demo
