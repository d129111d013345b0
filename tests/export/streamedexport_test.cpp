// The streamed export against the record set's export on the same company: the same files
// with the same bytes, the same rows reported in the same order, the same errors; and the
// small photos really arrive inside their rows.
#include "export/streamedexport.h"

#include "data/fb/statement.h"
#include "exportfixture.h"
#include "platform/error.h"
#include "settings/installdir.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace tirelon;
using tirelon::test::filesBelow;
using tirelon::test::PhotoRow;
using tirelon::test::randomBytes;
using tirelon::test::readAll;
using tirelon::test::ScratchDatabase;

namespace {

class EventLog : public ExportObserver {
public:
    QStringList events;
    void started(int rows) override { events << QStringLiteral("started %1").arg(rows); }
    void rowReached(int row, const QString& code) override {
        events << QStringLiteral("row %1 %2").arg(row).arg(code);
    }
    void photoWritten(const QString& path, qint64 bytes) override {
        events << QStringLiteral("written %1 %2").arg(path).arg(bytes);
    }
    void finished() override { events << "finished"; }
};

struct Outcome {
    QStringList events;
    QMap<QString, QByteArray> files; // below IMAGENES
    int rows = 0, photos = 0, rowsWithoutPhoto = 0;
    qint64 bytes = 0;
    QString error;
};

class StreamedExport : public test::ExportFixture,
                       public ::testing::WithParamInterface<ScratchDatabase::Access> {
protected:
    StreamedExport() : ExportFixture(GetParam()) {}

    void SetUp() override {
        if (GetParam() == ScratchDatabase::Access::Server)
            TIRELON_REQUIRE_SERVER();
        ExportFixture::SetUp();
    }

    // Runs one export into an emptied IMAGENES and takes down what it did.
    template <typename Export> Outcome outcomeOf(Export&& runExport) {
        QDir(images()).removeRecursively();
        QDir().mkpath(images());
        for (const QString& sub : subfolders)
            QDir(images()).mkpath(sub);
        Outcome outcome;
        EventLog log;
        PhotoFileWriter writer;
        try {
            const ExportSummary s = runExport(log, writer);
            outcome.rows = s.rows;
            outcome.photos = s.photos;
            outcome.rowsWithoutPhoto = s.rowsWithoutPhoto;
            outcome.bytes = s.bytes;
        } catch (const std::exception& e) {
            outcome.error = messageOf(e);
        }
        outcome.events = log.events;
        for (const QString& name : filesBelow(images()))
            outcome.files[name] = readAll(image(name));
        return outcome;
    }

    Outcome recordSetExport() {
        return outcomeOf([&](ExportObserver& observer, PhotoFileWriter& writer) {
            test::ArticleSet set(*dm_);
            return exportArticlePhotos(*set.articles, observer, &installationDirectory, writer);
        });
    }

    Outcome streamedExport(std::vector<ExportedRow>* rows = nullptr) {
        return outcomeOf([&](ExportObserver& observer, PhotoFileWriter& writer) {
            return exportArticlePhotosStreamed(*dm_->Tirelon, observer, &installationDirectory,
                                               writer, rows);
        });
    }

    static void expectSame(const Outcome& streamed, const Outcome& reference) {
        EXPECT_EQ(streamed.error, reference.error);
        EXPECT_EQ(streamed.events, reference.events);
        EXPECT_EQ(streamed.files.keys(), reference.files.keys());
        EXPECT_TRUE(streamed.files == reference.files) << "bytes differ";
        EXPECT_EQ(streamed.rows, reference.rows);
        EXPECT_EQ(streamed.photos, reference.photos);
        EXPECT_EQ(streamed.rowsWithoutPhoto, reference.rowsWithoutPhoto);
        EXPECT_EQ(streamed.bytes, reference.bytes);
    }

    // Made below IMAGENES before each export.
    QStringList subfolders{"B"};

    // The streamed export fails as the record set's export does, once breakIt has run.
    void expectSameFailure(const std::function<void()>& breakIt) {
        addRows({{"A1", 1, QByteArray("one")}, {"B\\X", 1, QByteArray("two")}});
        breakIt();
        connect();
        const Outcome reference = recordSetExport();
        ASSERT_FALSE(reference.error.isEmpty());
        expectSame(streamedExport(), reference);
    }

    // Photos on both sides of the size that travels inside the row.
    QList<PhotoRow> rowsAroundTheLimit() const {
        return {{"A1", 1, QByteArray()},
                {"A1", 2, randomBytes(1, 1)},
                {"A2", 1, std::nullopt},
                {"A3", 1, randomBytes(inlinePhotoLimit - 1, 2)},
                {"A3", 2, randomBytes(inlinePhotoLimit, 3)},
                {"A3", 3, randomBytes(inlinePhotoLimit + 1, 4)},
                {"B\\SUB", -4, QByteArray("\0\xff\xd8\0", 4)},
                {"C", 1, randomBytes(300 * 1024 + 5, 5)},
                {"D  ", 7, randomBytes(4096, 6)}};
    }
};

TEST_P(StreamedExport, WritesWhatTheRecordSetExportWrites) {
    addRows(rowsAroundTheLimit());
    connect();
    const Outcome reference = recordSetExport();
    ASSERT_TRUE(reference.error.isEmpty()) << reference.error.toStdString();
    ASSERT_EQ(reference.files.size(), 8);

    std::vector<ExportedRow> rows;
    const Outcome streamed = streamedExport(&rows);

    expectSame(streamed, reference);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[2].code, "A2");
    EXPECT_FALSE(rows[2].written); // NULL photo
    EXPECT_EQ(rows[6].code, "B\\SUB");
    EXPECT_EQ(rows[6].item, -4);
    EXPECT_EQ(rows[6].description, "Articulo B\\SUB");
    EXPECT_TRUE(rows[6].written);
}

TEST_P(StreamedExport, SmallPhotosArriveInsideTheirRows) {
    addRows(rowsAroundTheLimit());
    auto c = folder_.connect("001");
    auto t = c->startTransaction(fb::Transaction::Kind::ReadOnly);
    fb::Statement query(*t, inlinePhotoQuery());
    query.openCursor();
    QVariantList row;
    int inlined = 0, blobs = 0, none = 0;
    while (query.fetch(row)) {
        const QVariant blob = row[3];
        const QVariant bytes = row[4];
        EXPECT_EQ(blob.isValid(), row[0].toString() != "A2"); // A2's photo is NULL
        if (bytes.isValid()) {
            EXPECT_LE(bytes.toByteArray().size(), inlinePhotoLimit);
            ++inlined;
        } else if (blob.isValid()) {
            ++blobs;
        } else {
            ++none;
        }
    }
    EXPECT_EQ(inlined, 6); // empty, 1 byte, limit - 1, limit, 4 bytes, 4096
    EXPECT_EQ(blobs, 2);   // limit + 1, 300 KB
    EXPECT_EQ(none, 1);
}

TEST_P(StreamedExport, ImagesInATextColumnAreReadAsBlobsUnchanged) {
    // A cast of text to bytes could convert them; such a column is read as blobs.
    folder_.execute("001", {"DROP TABLE FOTOS_ARTICULO",
                            "CREATE TABLE FOTOS_ARTICULO (ARTI_COD VARCHAR(15) NOT NULL, "
                            "FTAR_ITEM INTEGER NOT NULL, FTAR_IMAGEN BLOB SUB_TYPE TEXT "
                            "CHARACTER SET WIN1252, FTAR_NOMBRE VARCHAR(60))"});
    const QByteArray odd = QByteArrayLiteral("\xff\xfe text \x81\0end");
    addRows({{"A1", 1, odd}, {"A2", 1, randomBytes(900, 7)}});
    connect();
    const Outcome reference = recordSetExport();
    const Outcome streamed = streamedExport();
    expectSame(streamed, reference);
    EXPECT_EQ(streamed.files.value("A1-1.jpg"), odd);
}

TEST_P(StreamedExport, MissingTableFailsAsTheRecordSetExport) {
    expectSameFailure([&] { folder_.execute("001", {"DROP TABLE FOTOS_ARTICULO"}); });
}

TEST_P(StreamedExport, MissingColumnFailsAsTheRecordSetExport) {
    expectSameFailure(
        [&] { folder_.execute("001", {"ALTER TABLE FOTOS_ARTICULO DROP FTAR_NOMBRE"}); });
}

TEST_P(StreamedExport, MissingRegistryKeyFailsAsTheRecordSetExport) {
    expectSameFailure([&] { removeKey(); });
}

TEST_P(StreamedExport, MissingSubfolderStopsAtItsRowAsTheRecordSetExport) {
    subfolders.clear();
    expectSameFailure([] {});
}

INSTANTIATE_TEST_SUITE_P(Access, StreamedExport,
                         ::testing::Values(ScratchDatabase::Access::Embedded,
                                           ScratchDatabase::Access::Server),
                         [](const auto& info) {
                             return info.param == ScratchDatabase::Access::Server ? "Server"
                                                                                  : "Embedded";
                         });

} // namespace
