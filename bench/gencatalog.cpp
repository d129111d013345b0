// gencatalog: lays out an ERP installation whose company 001 holds a photo catalog of a
// chosen size, for the export benchmarks.
//
//   gencatalog DIR PHOTOS BYTES [SEED]
//
// writes DIR/erp/datos/001/tirelon.fdb, an empty DIR/erp/IMAGENES, DIR/erp/SERVIDORES.cfg
// and DIR/registry.reg (Directorio = DIR/erp). The photos are random bytes between a JPEG
// start marker (FF D8 FF E0) and end marker (FF D9), BYTES each. Every 500th row has a NULL
// image and every 700th a zero-length one; one article in four has two or three photos.
// One article has no photos and one photo has no article, so the join leaves both out.
// Everything goes in through one transaction with one prepared statement per table.
#include "data/fb/blob.h"
#include "data/fb/connection.h"
#include "data/fb/database.h"
#include "data/fb/fbapi.h"
#include "data/fb/statement.h"
#include "demo/companyschema.h"
#include "demo/demolayout.h"
#include "platform/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <vector>

using namespace tirelon;

namespace {

// splitmix64: fast, and the same bytes for the same seed on every run.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    void fill(unsigned char* data, std::size_t length) {
        std::size_t i = 0;
        for (; i + 8 <= length; i += 8) {
            const std::uint64_t v = next();
            for (int b = 0; b < 8; ++b)
                data[i + static_cast<std::size_t>(b)] = static_cast<unsigned char>(v >> (8 * b));
        }
        const std::uint64_t v = next();
        for (int b = 0; i < length; ++i, ++b)
            data[i] = static_cast<unsigned char>(v >> (8 * b));
    }

private:
    std::uint64_t state_;
};

void writeTextFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

// How many photos the article with this index has: 1, 1, 1, then 2 or 3.
int itemsOf(int article) {
    if (article % 4 != 3)
        return 1;
    return article % 8 == 3 ? 2 : 3;
}

struct Counts {
    int articles = 0;
    int rows = 0;
    int nullPhotos = 0;
    int emptyPhotos = 0;
    qint64 bytes = 0;
};

Counts fill(fb::Connection& connection, int photos, qint64 size, std::uint64_t seed) {
    Counts counts;
    Random random(seed);
    std::vector<unsigned char> photo(static_cast<std::size_t>(qMax<qint64>(size, 6)));
    constexpr qint64 kChunk = 32 * 1024;

    auto transaction = connection.startTransaction(fb::Transaction::Kind::ReadWrite);
    fb::Statement article(
        *transaction, QStringLiteral("INSERT INTO ARTICULO (ARTI_COD, ARTI_DES) VALUES (?, ?)"));
    fb::Statement photoRow(
        *transaction,
        QStringLiteral("INSERT INTO FOTOS_ARTICULO (ARTI_COD, FTAR_ITEM, FTAR_IMAGEN, FTAR_NOMBRE)"
                       " VALUES (?, ?, ?, ?)"));

    int row = 0;
    for (int a = 0; row < photos; ++a) {
        // Codes are inserted out of order so that the ORDER BY has work to do.
        const QString code = QStringLiteral("ART%1").arg((a * 7919) % 1000003, 7, 10, QChar(u'0'));
        article.execute({code, QStringLiteral("Artículo de prueba número %1").arg(a)});
        ++counts.articles;
        for (int item = 1; item <= itemsOf(a) && row < photos; ++item, ++row) {
            QVariant image;
            if (row % 500 == 499) {
                ++counts.nullPhotos;
            } else {
                fb::BlobWriter blob(*transaction);
                if (row % 700 == 699) {
                    ++counts.emptyPhotos;
                } else {
                    random.fill(photo.data(), photo.size());
                    const std::size_t n = static_cast<std::size_t>(size);
                    photo[0] = 0xFF;
                    photo[1] = 0xD8;
                    photo[2] = 0xFF;
                    photo[3] = 0xE0;
                    photo[n - 2] = 0xFF;
                    photo[n - 1] = 0xD9;
                    for (qint64 at = 0; at < size; at += kChunk)
                        blob.write(reinterpret_cast<const char*>(photo.data()) + at,
                                   qMin(kChunk, size - at));
                    counts.bytes += size;
                }
                image = QVariant::fromValue(blob.finish());
            }
            photoRow.execute({code, item, image, QStringLiteral("Foto %1").arg(item)});
            ++counts.rows;
        }
    }
    // Left out by the join: an article without photos and a photo without an article.
    article.execute({QStringLiteral("SINFOTO"), QStringLiteral("Artículo sin fotos")});
    photoRow.execute(
        {QStringLiteral("HUERFANA"), 1,
         QVariant::fromValue(fb::writeBlob(*transaction, QByteArray("\xFF\xD8\xFF\xE0\xFF\xD9"))),
         QString()});
    transaction->commit();
    return counts;
}

// A new database writes every page through to the disk (forced writes); a catalog of a
// gigabyte would take many minutes that way. The flag is kept in the database header, so
// one attachment that turns it off is enough; the export only reads.
void turnOffForcedWrites(const QString& path) {
    Firebird::IMaster* master = fb::master();
    Firebird::ThrowStatusWrapper status(master->getStatus());
    try {
        Firebird::IXpbBuilder* dpb = master->getUtilInterface()->getXpbBuilder(
            &status, Firebird::IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&status, isc_dpb_password, "masterkey");
        dpb->insertInt(&status, isc_dpb_force_write, 0);
        const QByteArray file = path.toLocal8Bit();
        Firebird::IProvider* provider = master->getDispatcher();
        Firebird::IAttachment* attachment = provider->attachDatabase(
            &status, file.constData(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
        dpb->dispose();
        attachment->detach(&status);
        provider->release();
    } catch (const Firebird::FbException& e) {
        char text[512];
        master->getUtilInterface()->formatStatus(text, sizeof text, e.getStatus());
        status.dispose();
        throw Error(
            QStringLiteral("Cannot turn off forced writes: %1").arg(QString::fromLocal8Bit(text)));
    }
    status.dispose();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4 || args.size() > 5) {
        std::fprintf(stderr, "usage: gencatalog DIR PHOTOS BYTES [SEED]\n");
        return 2;
    }
    bool okPhotos = false;
    bool okSize = false;
    const int photos = args[2].toInt(&okPhotos);
    const qint64 size = args[3].toLongLong(&okSize);
    const std::uint64_t seed = args.size() == 5 ? args[4].toULongLong() : 20240601u;
    if (!okPhotos || !okSize || photos < 1 || size < 6) {
        std::fprintf(stderr, "gencatalog: PHOTOS must be at least 1 and BYTES at least 6\n");
        return 2;
    }
    try {
        const demo::DemoLayout layout = demo::demoLayout(args[1]);
        if (QFileInfo::exists(layout.databasePath))
            throw Error(QStringLiteral("%1 exists already").arg(layout.databasePath));
        for (const QString& dir : {layout.imagesDir, QFileInfo(layout.databasePath).path()})
            if (!QDir().mkpath(dir))
                throw Error(QStringLiteral("Cannot create the folder %1").arg(dir));
        writeTextFile(layout.serverList, layout.installDir.toLocal8Bit() + "\r\n");
        writeTextFile(layout.registryFile, demo::registryFileText(layout.installDir));

        fb::createDatabase(layout.databasePath);
        turnOffForcedWrites(layout.databasePath);
        fb::Connection connection;
        connection.params().set(QStringLiteral("Database"), layout.databasePath);
        connection.params().set(QStringLiteral("User_Name"), QStringLiteral("SYSDBA"));
        connection.params().set(QStringLiteral("Password"), QStringLiteral("masterkey"));
        connection.open();
        demo::createCompanySchema(connection);
        const Counts counts = fill(connection, photos, size, seed);
        connection.close();
        std::printf("%s: %d articles, %d photo rows (%d NULL, %d empty), %lld photo bytes\n",
                    qPrintable(layout.databasePath), counts.articles, counts.rows,
                    counts.nullPhotos, counts.emptyPhotos, static_cast<long long>(counts.bytes));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gencatalog: %s\n", qPrintable(messageOf(e)));
        return 1;
    }
    return 0;
}
