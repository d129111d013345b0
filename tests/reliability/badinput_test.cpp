// Hostile or broken input from the places the program reads: the server list, the
// registry file, the command line, article codes and store settings values, and a
// company database whose tables lack a column. Nothing may crash, nothing may be
// written where it must not, and every refusal must say what was wrong.
#include "../export/exportfixture.h"
#include "data/fb/statement.h"
#include "export/exporter.h"
#include "login/commandline.h"
#include "settings/installdir.h"
#include "settings/serverlist.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace tirelon;

TEST(BadInput, TenMegabyteServerListWithNulBytesAndNoLineEnds) {
    QTemporaryDir dir;
    QByteArray bytes(10 * 1024 * 1024, 'x');
    for (qsizetype i = 0; i < bytes.size(); i += 997)
        bytes[i] = '\0';
    QFile f(dir.filePath("SERVIDORES.cfg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const QStringList entries = loadServerList(dir.path());
    ASSERT_EQ(entries.size(), 1); // one line without a line end, kept
    EXPECT_LE(entries[0].size(), 255);
}

TEST(BadInput, RegistryFileWithGarbageAndAHugeValue) {
    test::TemporaryRegistry registry;
    // One long line of random bytes inside the key (no line end, no section bracket:
    // those would legitimately end the key's section).
    QRandomGenerator random(1234);
    QByteArray garbage;
    while (garbage.size() < 4096) {
        const char c = static_cast<char>(random.bounded(256));
        if (c != '\n' && c != '\r' && c != '[' && c != '\0')
            garbage.append(c);
    }
    const QString huge(1024 * 1024, QLatin1Char('d'));
    registry.write(test::regFile("[HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024]\n" +
                                 QString::fromLatin1(garbage) + "\n\"Directorio\"=\"" + huge +
                                 "\"\n"));
    test::ScopedRecordingDialogs boxes;
    EXPECT_EQ(installationDirectory(), huge);
    registry.write(test::tirelonKey("\"Directorio\"=hex(7):41,00,00,00"));
    try {
        installationDirectory();
        FAIL() << "a multi-string value is not a directory";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Invalid data type for 'Directorio'");
    }
    EXPECT_TRUE(boxes->boxes.isEmpty());
}

TEST(BadInput, ThousandParametersWithUnbalancedQuotes) {
    QString line = "prog";
    for (int i = 0; i < 1000; ++i)
        line += i % 97 == 0 ? QStringLiteral(" \"open") : QStringLiteral(" p%1").arg(i);
    const QStringList split = splitCommandLine(line);
    ASSERT_FALSE(split.isEmpty());
    EXPECT_EQ(split[0], "prog");
    for (const QString& p : split)
        EXPECT_FALSE(p.contains('"'));
    QStringList argv{"prog"};
    for (int i = 0; i < 1000; ++i)
        argv << (i % 3 == 0 ? QString() : QStringLiteral("a%1").arg(i));
    const QStringList kept = unattendedParameters(argv);
    EXPECT_EQ(kept.size(), 1 + 666);
    EXPECT_EQ(kept[1], "a1");
}

class BadCodes : public test::ExportFixture {};

TEST_F(BadCodes, OddArticleCodesStayInsideImagesAndDotDotIsRefused) {
    const QString enye = QString(15, QChar(0x00F1));
    const QString control = QStringLiteral("C\x01\x1f");
    addRows({{"/ABS", 1, QByteArray("abs")},
             {"\\BACK", 1, QByteArray("back")},
             {control, 1, QByteArray("control")},
             {enye, 1, QByteArray("enye")}});
    connect();
    test::ArticleSet set(*dm_);
    TClientDataSet* articles = set.articles;
    ExportObserver quiet;
    PhotoFileWriter writer;
    exportArticlePhotos(*articles, quiet, &installationDirectory, writer);
    // A leading separator only doubles the one after IMAGENES; control characters
    // and letters beyond ASCII are kept in the name.
    EXPECT_EQ(test::filesBelow(images()),
              (QStringList{"ABS-1.jpg", "BACK-1.jpg", control + "-1.jpg", enye + "-1.jpg"}));
    EXPECT_EQ(test::readAll(image(enye + "-1.jpg")), "enye");

    // A code that climbs out of IMAGENES is refused before anything is written.
    const QStringList outside =
        QDir(install_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    folder_.execute("001", {"DELETE FROM FOTOS_ARTICULO"});
    addRows({{"..\\..\\evil", 1, QByteArray("evil")}});
    try {
        exportArticlePhotos(*articles, quiet, &installationDirectory, writer);
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file \"")) << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith("Invalid file name")) << e.message().toStdString();
    }
    EXPECT_EQ(QDir(install_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), outside);
    EXPECT_FALSE(QFile::exists(QDir(install_.path()).absoluteFilePath("../evil-1.jpg")));
}

TEST_F(BadCodes, TablesWithoutAColumnTheQueryNamesFailClearly) {
    addRows({{"A1", 1, QByteArray("x")}});
    folder_.execute("001", {"ALTER TABLE FOTOS_ARTICULO DROP FTAR_NOMBRE"});
    connect();
    test::ArticleSet set(*dm_);
    TClientDataSet* articles = set.articles;
    ExportObserver quiet;
    PhotoFileWriter writer;
    try {
        exportArticlePhotos(*articles, quiet, &installationDirectory, writer);
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("Column unknown")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("FTAR_NOMBRE")) << e.message().toStdString();
    }
    EXPECT_TRUE(test::filesBelow(images()).isEmpty());
}

TEST_F(BadCodes, StoreSettingsValuesFarOverTheirSizeAreCutAndStoredExactly) {
    folder_.execute("001", {"INSERT INTO CONFIGURA_TIENDAV (COTV_URLADMIN) VALUES ('http://a')"});
    connect();
    QObject owner;
    auto* provider = new TDataSetProvider(&owner);
    provider->setObjectName("PConftienda");
    provider->setDataSet(dm_->TConftiendav);
    auto* settings = new TClientDataSet(&owner);
    settings->setObjectName("CConftienda");
    Tfdm::declareStoreSettingsFields(settings);
    settings->setProviderName("PConftienda");
    settings->open();
    const QString sql = QStringLiteral("x'); DROP TABLE CONFIGURA_TIENDAV; -- \"ñ€");
    QString far = sql;
    while (far.size() < 100000)
        far += sql;
    settings->edit();
    settings->setValue("COTV_URLADMIN", far);
    settings->setValue("COTV_CLAVEFTP", far);
    EXPECT_EQ(settings->applyUpdates(0), 0);
    auto c = folder_.connect("001");
    auto t = c->startTransaction(fb::Transaction::Kind::ReadOnly);
    fb::Statement s(*t, "SELECT COTV_URLADMIN, COTV_CLAVEFTP FROM CONFIGURA_TIENDAV");
    s.openCursor();
    QVariantList row;
    ASSERT_TRUE(s.fetch(row));
    EXPECT_EQ(row[0].toString(), far.left(255));
    EXPECT_EQ(row[1].toString(), far.left(25));
}
