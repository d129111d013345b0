#include "export/exporter.h"

#include "exportfixture.h"
#include "platform/error.h"
#include "settings/installdir.h"

#include <QMap>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace tirelon;
using tirelon::test::filesBelow;
using tirelon::test::PhotoRow;
using tirelon::test::randomBytes;
using tirelon::test::readAll;

namespace {

const QString kMissingKey = QString::fromUtf8(
    "No se encontró la Clave HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024\\Directorio");

// Writes down what the export reports, and lets a test act at a given row.
class RecordingObserver : public ExportObserver {
public:
    QStringList events;
    QStringList written;
    std::function<void(int row)> atRow;

    void started(int rows) override { events << QStringLiteral("started %1").arg(rows); }
    void rowReached(int row, const QString& code) override {
        events << "row " + code;
        if (atRow)
            atRow(row);
    }
    void photoWritten(const QString& path, qint64) override { written << path; }
    void finished() override { events << "finished"; }
};

class ExportLoop : public test::ExportFixture {
protected:
    void SetUp() override {
        test::ExportFixture::SetUp();
        provider = new TDataSetProvider(&owner);
        provider->setObjectName("PArticulo");
        provider->setAllowCommandText(true);
        provider->setDataSet(dm_->TArticulo);
        articles = new TClientDataSet(&owner);
        articles->setObjectName("CArticulo");
        articles->setProvider(provider);
        declareArticlePhotoFields(articles);
    }

    ExportSummary run() {
        connect();
        return exportArticlePhotos(*articles, observer, &installationDirectory, writer);
    }

    // The message of the error the export stops with; empty when it completes.
    QString runExpectingError() {
        try {
            run();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }

    // What IMAGENES must hold after a complete export: for every row with a photo, in the
    // record set's order, its bytes under its name; a later row replaces an earlier one.
    QMap<QString, QByteArray> expectedFromRecordSet() {
        QMap<QString, QByteArray> expected;
        for (articles->first(); !articles->eof(); articles->next()) {
            if (articles->isNull("FTAR_IMAGEN"))
                continue;
            auto blob = articles->openBlob("FTAR_IMAGEN");
            QByteArray bytes(static_cast<qsizetype>(blob->length()), Qt::Uninitialized);
            qint64 at = 0;
            while (qint64 n = blob->read(bytes.data() + at, bytes.size() - at))
                at += n;
            QString name = articles->asString("ARTI_COD") + "-" +
                           QString::number(articles->value("FTAR_ITEM").toInt()) + ".jpg";
            expected[name.replace('\\', '/')] = bytes;
        }
        return expected;
    }

    QObject owner;
    TDataSetProvider* provider = nullptr;
    TClientDataSet* articles = nullptr;
    RecordingObserver observer;
    PhotoFileWriter writer;
};

// --- complete exports

struct ExportCase {
    const char* name;
    QList<PhotoRow> rows;
    QStringList expectedFiles; // below IMAGENES, sorted
    QStringList subfolders = {};
    QMap<QString, QByteArray> existingFiles = {};
};

class CompleteExport : public ExportLoop, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(CompleteExport, WritesEveryStoredPhotoUnchanged) {
    const ExportCase& c = GetParam();
    for (const QString& sub : c.subfolders)
        ASSERT_TRUE(QDir(images()).mkpath(sub));
    for (auto it = c.existingFiles.begin(); it != c.existingFiles.end(); ++it) {
        QFile file(image(it.key()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }
    addRows(c.rows);

    const ExportSummary summary = run();

    EXPECT_EQ(summary.rows, c.rows.size());
    EXPECT_EQ(filesBelow(images()), c.expectedFiles);
    const auto expected = expectedFromRecordSet();
    EXPECT_EQ(QStringList(expected.keys()), c.expectedFiles);
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_TRUE(readAll(image(it.key())) == it.value()) << it.key().toStdString();
    // Every row is reported, in the query's order, between start and end.
    ASSERT_EQ(observer.events.size(), c.rows.size() + 2);
    EXPECT_EQ(observer.events.first(), QStringLiteral("started %1").arg(c.rows.size()));
    EXPECT_EQ(observer.events.last(), "finished");
    // After the loop the record set still stands on its last row.
    EXPECT_EQ(articles->recNo(), c.rows.size() - 1);
}

const QByteArray kPng = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
const QByteArray kWithNuls("\0\0\xff\xd8 not a picture\r\n\x1a\0", 20);

INSTANTIATE_TEST_SUITE_P(
    Cases, CompleteExport,
    ::testing::Values(
        ExportCase{"NoRows", {}, {}},
        ExportCase{"NullPhotoIsListedButNotWritten",
                   {{"A1", 1, std::nullopt}, {"A2", 1, QByteArray("two")}},
                   {"A2-1.jpg"}},
        // Large enough to span many blob segments and writer buffers.
        ExportCase{"ThreeItemsOfOneCode",
                   {{"A-100", 1, QByteArray("one")},
                    {"A-100", 2, randomBytes(300 * 1024 + 7, 2)},
                    {"A-100", 3, QByteArray("three")}},
                   {"A-100-1.jpg", "A-100-2.jpg", "A-100-3.jpg"}},
        ExportCase{
            "NegativeItemGivesTwoHyphens", {{"A-100", -3, QByteArray("neg")}}, {"A-100--3.jpg"}},
        ExportCase{"SameCodeAndItemTwiceLaterRowWins",
                   {{"A1", 1, QByteArray("earlier")}, {"A1", 1, QByteArray("later")}},
                   {"A1-1.jpg"}},
        ExportCase{"ExistingLongerFileIsReplacedByAShorterPhoto",
                   {{"A1", 1, QByteArray("short")}},
                   {"A1-1.jpg"},
                   {},
                   {{"A1-1.jpg", QByteArray(10000, 'x')}}},
        ExportCase{"BytesThatAreNotAJpegAreWrittenUnchanged",
                   {{"P1", 1, kPng}, {"P2", 1, kWithNuls}, {"P3", 1, QByteArray()}},
                   {"P1-1.jpg", "P2-1.jpg", "P3-1.jpg"}},
        ExportCase{"TrailingBlanksOfTheCodeStay", {{"A1  ", 1, QByteArray("b")}}, {"A1  -1.jpg"}},
        ExportCase{"BackslashInTheCodeAddressesASubfolder",
                   {{"SUB\\X1", 4, QByteArray("sub")}},
                   {"SUB/X1-4.jpg"},
                   {"SUB"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExportLoop, DirectoryEndingInASeparatorGivesADoubledSeparator) {
    setDirectory(install_.path() + "/");
    addRows({{"A1", 1, QByteArray("photo")}});
    run();
    ASSERT_EQ(observer.written.size(), 1);
    EXPECT_EQ(observer.written[0], install_.path() + "//IMAGENES/A1-1.jpg");
    EXPECT_EQ(readAll(image("A1-1.jpg")), QByteArray("photo"));
}

TEST_F(ExportLoop, InstallationDirectoryIsReadAgainForEveryPhoto) {
    QTemporaryDir other;
    QDir(other.path()).mkdir("IMAGENES");
    addRows({{"A1", 1, QByteArray("first")}, {"A2", 1, QByteArray("second")}});
    observer.atRow = [&](int row) {
        if (row == 1)
            setDirectory(other.path());
    };
    run();
    EXPECT_EQ(filesBelow(images()), QStringList{"A1-1.jpg"});
    EXPECT_EQ(readAll(other.path() + "/IMAGENES/A2-1.jpg"), QByteArray("second"));
}

// --- exports that stop

TEST_F(ExportLoop, MissingImagesFolderStopsAtTheFirstPhoto) {
    QDir(images()).removeRecursively();
    addRows({{"A0", 1, std::nullopt}, {"A1", 1, QByteArray("x")}, {"A2", 1, QByteArray("y")}});
    EXPECT_EQ(runExpectingError(), "Cannot create file \"" + install_.path() +
                                       "/IMAGENES/A1-1.jpg\". No such file or directory");
    EXPECT_EQ(observer.events, (QStringList{"started 3", "row A0", "row A1"}));
    EXPECT_EQ(articles->recNo(), 1);
    EXPECT_FALSE(QDir(images()).exists()) << "IMAGENES is never created";
    EXPECT_TRUE(filesBelow(install_.path()).isEmpty());
}

TEST_F(ExportLoop, ErrorPartWayLeavesEarlierFilesAndWritesNoLaterOnes) {
    // No subfolder B: the second photo cannot be created.
    addRows({{"A1", 1, QByteArray("a")}, {"B\\X", 1, QByteArray("b")}, {"C1", 1, QByteArray("c")}});
    EXPECT_EQ(runExpectingError(),
              "Cannot create file \"" + images() + "/B/X-1.jpg\". No such file or directory");
    EXPECT_EQ(filesBelow(images()), QStringList{"A1-1.jpg"});
    EXPECT_EQ(articles->recNo(), 1);
}

TEST_F(ExportLoop, CodeLeavingImagesIsRefusedAndNothingIsWrittenOutside) {
    addRows({{"..\\..\\EVIL", 1, QByteArray("evil")}, {"A1", 1, QByteArray("a")}});
    const QString message = runExpectingError();
    EXPECT_TRUE(message.startsWith("Cannot create file \"")) << message.toStdString();
    EXPECT_TRUE(message.endsWith("\". Invalid file name")) << message.toStdString();
    QDir parent(install_.path());
    parent.cdUp();
    EXPECT_FALSE(QFile::exists(parent.filePath("EVIL-1.jpg")));
    EXPECT_TRUE(filesBelow(install_.path()).isEmpty());
}

TEST_F(ExportLoop, MissingRegistryKeyAsksOncePerPhotoAndLooksAtTheRoot) {
    if (QFileInfo::exists("/IMAGENES"))
        GTEST_SKIP() << "/IMAGENES exists on this machine; the test would write there";
    removeKey();
    // Rows without a photo do not ask for the directory.
    addRows({{"A0", 1, std::nullopt}, {"A1", 1, QByteArray("x")}, {"A2", 1, QByteArray("y")}});
    EXPECT_EQ(
        runExpectingError(),
        QStringLiteral("Cannot create file \"/IMAGENES/A1-1.jpg\". No such file or directory"));
    ASSERT_EQ(dialogs_->boxes.size(), 1);
    EXPECT_EQ(dialogs_->boxes[0].kind, "information");
    EXPECT_EQ(dialogs_->boxes[0].text, kMissingKey);
}

// Lowers the file size limit, with SIGXFSZ ignored, and puts both back.
class FileSizeLimit {
public:
    FileSizeLimit() {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    void lower(rlim_t bytes) {
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    void restore() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    ~FileSizeLimit() {
        restore();
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(ExportLoop, WriteFailingPartWayKeepsTheOldFile) {
    const QByteArray old("old photo");
    {
        QFile file(image("A1-1.jpg"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    addRows({{"A1", 1, randomBytes(256 * 1024, 7)}});
    FileSizeLimit limit;
    // Lowered only once the rows are fetched, so the database engine is not affected.
    observer.atRow = [&](int) { limit.lower(100 * 1024); };
    const QString message = runExpectingError();
    limit.restore();
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(readAll(image("A1-1.jpg")), old);
    EXPECT_EQ(filesBelow(images()), QStringList{"A1-1.jpg"}) << "no partial file left behind";
}

TEST_F(ExportLoop, QueryThatCannotRunStopsBeforeTheStart) {
    addRows({{"A1", 1, QByteArray("x")}});
    folder_.execute("001", {"DROP TABLE FOTOS_ARTICULO"});
    connect();
    EXPECT_THROW(exportArticlePhotos(*articles, observer, &installationDirectory, writer),
                 std::exception);
    EXPECT_TRUE(observer.events.isEmpty());
    EXPECT_FALSE(articles->active());
    EXPECT_TRUE(filesBelow(images()).isEmpty());
}

} // namespace
