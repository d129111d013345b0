#include "data/fb/blob.h"
#include "data/fb/statement.h"
#include "demo/companyschema.h"
#include "scratchdb.h"

#include <QImage>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace tirelon;
using namespace tirelon::fb;
using tirelon::test::ScratchDatabase;

namespace {

std::vector<QVariantList> fetchAll(Transaction& t, const QString& sql,
                                   const QVariantList& params = {}) {
    Statement s(t, sql);
    s.openCursor(params);
    std::vector<QVariantList> rows;
    QVariantList row;
    while (s.fetch(row))
        rows.push_back(row);
    return rows;
}

QVariant fetchValue(Transaction& t, const QString& sql, const QVariantList& params = {}) {
    const auto rows = fetchAll(t, sql, params);
    EXPECT_EQ(rows.size(), 1u) << sql.toStdString();
    return rows.empty() ? QVariant() : rows.front().value(0);
}

std::unique_ptr<Connection> connectTo(const QString& path) {
    auto c = std::make_unique<Connection>();
    c->params().set("Database", path);
    c->params().set("User_Name", "SYSDBA");
    c->params().set("Password", "masterkey");
    c->params().set("SQLDialect", "3");
    c->open();
    return c;
}

class DemoCompany : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir_->isValid());
        summary_ = demo::createDemoCompany(dir_->filePath("tirelon.fdb"));
    }
    static void TearDownTestSuite() { dir_.reset(); }
    void SetUp() override {
        connection_ = connectTo(dir_->filePath("tirelon.fdb"));
        t_ = connection_->startTransaction(Transaction::Kind::ReadOnly);
    }

    static inline std::unique_ptr<QTemporaryDir> dir_;
    static inline demo::DemoCompanySummary summary_;
    std::unique_ptr<Connection> connection_;
    std::shared_ptr<Transaction> t_;
};

TEST_F(DemoCompany, CountsMatchTheSummaryWithOneNullPhotoAndOneArticleWithoutPhotos) {
    EXPECT_EQ(fetchValue(*t_, "SELECT COUNT(*) FROM ARTICULO").toInt(), summary_.articles);
    EXPECT_EQ(fetchValue(*t_, "SELECT COUNT(*) FROM FOTOS_ARTICULO").toInt(), summary_.photoRows);
    EXPECT_GE(summary_.articles, 10);
    EXPECT_GE(summary_.photoRows, 28);
    EXPECT_EQ(summary_.nullPhotos, 1);
    EXPECT_EQ(
        fetchValue(*t_, "SELECT COUNT(*) FROM FOTOS_ARTICULO WHERE FTAR_IMAGEN IS NULL").toInt(),
        1);
    const auto withoutPhotos =
        fetchAll(*t_, "SELECT ARTI_COD FROM ARTICULO A WHERE NOT EXISTS"
                      " (SELECT 1 FROM FOTOS_ARTICULO F WHERE F.ARTI_COD = A.ARTI_COD)");
    ASSERT_EQ(withoutPhotos.size(), 1u);
    EXPECT_EQ(withoutPhotos[0].value(0).toString(), "CAL011");
}

TEST_F(DemoCompany, ExportQueryReachesEveryPhotoWithItemsNumberedFromOne) {
    const auto rows =
        fetchAll(*t_, "SELECT F.ARTI_COD, ARTI_DES, FTAR_ITEM, FTAR_IMAGEN, FTAR_NOMBRE"
                      " FROM FOTOS_ARTICULO F, ARTICULO A"
                      " WHERE A.ARTI_COD = F.ARTI_COD ORDER BY A.ARTI_COD");
    EXPECT_EQ(static_cast<int>(rows.size()), summary_.photoRows);
    QMap<QString, QList<int>> items;
    for (const auto& row : rows)
        items[row.value(0).toString()].append(row.value(2).toInt());
    int articlesWithThree = 0;
    for (auto it = items.begin(); it != items.end(); ++it) {
        QList<int> sorted = it.value();
        std::sort(sorted.begin(), sorted.end());
        QList<int> expected;
        for (int i = 1; i <= sorted.size(); ++i)
            expected.append(i);
        EXPECT_EQ(sorted, expected) << it.key().toStdString();
        articlesWithThree += sorted.size() == 3 ? 1 : 0;
    }
    EXPECT_GE(articlesWithThree, 3);
}

TEST_F(DemoCompany, EveryStoredPhotoIsACompleteJpegAndOneSpansSeveralSegments) {
    const auto rows = fetchAll(*t_, "SELECT ARTI_COD, FTAR_ITEM, FTAR_IMAGEN FROM FOTOS_ARTICULO"
                                    " WHERE FTAR_IMAGEN IS NOT NULL");
    ASSERT_EQ(static_cast<int>(rows.size()), summary_.photoRows - summary_.nullPhotos);
    qint64 largest = 0;
    for (const auto& row : rows) {
        const QString where = row.value(0).toString() + "-" + row.value(1).toString();
        BlobReader reader(*t_, row.value(2).value<BlobId>());
        const QByteArray bytes = reader.readAll();
        ASSERT_GE(bytes.size(), 4) << where.toStdString();
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF) << where.toStdString();
        EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8) << where.toStdString();
        EXPECT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 2]), 0xFF) << where.toStdString();
        EXPECT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 1]), 0xD9) << where.toStdString();
        EXPECT_FALSE(QImage::fromData(bytes, "JPG").isNull()) << where.toStdString();
        largest = std::max<qint64>(largest, bytes.size());
    }
    EXPECT_GT(largest, 65535); // at least one photo is read in more than one segment
}

TEST_F(DemoCompany, DescriptionsAreSingleByteWindows1252Text) {
    struct Case {
        const char* code;
        const char* description;
        int bytes;
    };
    for (const Case& c :
         {Case{"CAM001", "Camiseta algodón", 16}, Case{"ZAP003", "Zapatillas de montaña", 21},
          Case{"REG020", "Tarjeta regalo 20 €", 19}}) {
        const auto rows = fetchAll(
            *t_, "SELECT ARTI_DES, OCTET_LENGTH(ARTI_DES) FROM ARTICULO WHERE ARTI_COD = ?",
            {QString::fromLatin1(c.code)});
        ASSERT_EQ(rows.size(), 1u) << c.code;
        EXPECT_EQ(rows[0].value(0).toString(), QString::fromUtf8(c.description));
        EXPECT_EQ(rows[0].value(1).toInt(), c.bytes) << c.code;
    }
}

TEST_F(DemoCompany, HasOneCompleteStoreSettingsRow) {
    const auto rows = fetchAll(*t_, "SELECT * FROM CONFIGURA_TIENDAV");
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(rows[0].value(i).isNull()) << "column " << i;
    EXPECT_TRUE(rows[0].value(0).toString().startsWith("https://"));
    EXPECT_EQ(rows[0].value(8).toDate(), QDate(2024, 3, 15));
}

// The helpers that tests and benchmarks use to build their own company databases.
class CompanyHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        connection_ = db_.connection();
        demo::createCompanySchema(*connection_);
    }
    ScratchDatabase db_;
    std::unique_ptr<Connection> connection_;
};

TEST_F(CompanyHelpers, PhotosAreStoredByteForByteAndTheSameItemMayRepeat) {
    QByteArray large(200000, '\0');
    for (int i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 31 % 251);
    const QByteArray notAJpeg("plain text, not a picture");
    const QByteArray empty;
    {
        auto t = connection_->startTransaction(Transaction::Kind::ReadWrite);
        demo::addArticle(*t, "A1", "Artículo");
        demo::addPhoto(*t, "A1", 1, &large, "grande");
        demo::addPhoto(*t, "A1", 1, &notAJpeg); // same code and item again, no name
        demo::addPhoto(*t, "A1", 2, &empty, "");
        demo::addPhoto(*t, "A1", 3, nullptr, "sin imagen");
        t->commit();
    }
    auto t = connection_->startTransaction(Transaction::Kind::ReadOnly);
    const auto rows = fetchAll(*t, "SELECT FTAR_ITEM, FTAR_IMAGEN, FTAR_NOMBRE FROM FOTOS_ARTICULO"
                                   " ORDER BY FTAR_ITEM, FTAR_NOMBRE NULLS FIRST");
    ASSERT_EQ(rows.size(), 4u);
    auto bytesOf = [&](const QVariant& id) { return BlobReader(*t, id.value<BlobId>()).readAll(); };
    EXPECT_TRUE(rows[0].value(2).isNull());
    EXPECT_EQ(bytesOf(rows[0].value(1)), notAJpeg);
    EXPECT_EQ(rows[1].value(2).toString(), "grande");
    EXPECT_EQ(bytesOf(rows[1].value(1)), large);
    EXPECT_FALSE(rows[2].value(1).isNull()); // an empty image is not a NULL image
    EXPECT_EQ(bytesOf(rows[2].value(1)), empty);
    EXPECT_EQ(rows[2].value(2).toString(), "");
    EXPECT_FALSE(rows[2].value(2).isNull());
    EXPECT_TRUE(rows[3].value(1).isNull());
}

TEST_F(CompanyHelpers, StoreSettingsReplaceOrAddRowsKeepingNullApartFromEmpty) {
    demo::StoreSettings first;
    first.urlAdmin = "http://uno";
    first.userAdmin = "";
    first.lastDate = QDate(2023, 12, 31);
    demo::StoreSettings second;
    second.urlAdmin = "http://dos";
    {
        auto t = connection_->startTransaction(Transaction::Kind::ReadWrite);
        demo::setStoreSettings(*t, second);
        demo::setStoreSettings(*t, first); // replaces the row set before
        demo::addStoreSettingsRow(*t, second);
        t->commit();
    }
    auto t = connection_->startTransaction(Transaction::Kind::ReadOnly);
    const auto rows =
        fetchAll(*t, "SELECT COTV_URLADMIN, COTV_USUARIOADM, COTV_CLAVEADM, COTV_FECULT"
                     " FROM CONFIGURA_TIENDAV ORDER BY COTV_URLADMIN");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].value(0).toString(), "http://dos");
    EXPECT_EQ(rows[1].value(0).toString(), "http://uno");
    EXPECT_FALSE(rows[1].value(1).isNull());
    EXPECT_EQ(rows[1].value(1).toString(), "");
    EXPECT_TRUE(rows[1].value(2).isNull());
    EXPECT_EQ(rows[1].value(3).toDate(), QDate(2023, 12, 31));
    EXPECT_TRUE(rows[0].value(3).isNull());
}

} // namespace
