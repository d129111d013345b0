#include "data/fb/blob.h"
#include "data/fb/statement.h"
#include "platform/win1252.h"
#include "scratchdb.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace tirelon;
using namespace tirelon::fb;
using tirelon::test::ScratchDatabase;

namespace {

QString connectError(Connection& c) {
    try {
        c.open();
    } catch (const DbError& e) {
        EXPECT_EQ(c.state(), ConnectionState::Closed);
        return e.message();
    }
    ADD_FAILURE() << "connect should have failed";
    return {};
}

QVariantList fetchOne(Connection& c, const QString& sql, const QVariantList& params = {}) {
    auto t = c.startTransaction(Transaction::Kind::ReadOnly);
    Statement s(*t, sql);
    s.openCursor(params);
    QVariantList row;
    EXPECT_TRUE(s.fetch(row));
    return row;
}

} // namespace

TEST(ParamList, SettingANameReplacesItsEntryWhateverTheCase) {
    ParamList p;
    p.set("Database", "a");
    p.set("Password", "x");
    p.set("User_Name", "u");
    p.set("password", "y");
    p.set("DATABASE", "b");
    EXPECT_EQ(p.count("Password"), 1);
    EXPECT_EQ(p.count("database"), 1);
    EXPECT_EQ(p.value("PASSWORD"), "y");
    ASSERT_EQ(p.entries().size(), 3);
    EXPECT_EQ(p.entries()[0].name, "Database"); // replaced in place, not appended
    EXPECT_EQ(p.entries()[0].value, "b");
}

TEST(Connection, OpensALocalPathInProcessAndCloses) {
    ScratchDatabase db;
    auto c = db.connection();
    EXPECT_EQ(c->state(), ConnectionState::Closed);
    c->open();
    EXPECT_EQ(c->state(), ConnectionState::Open);
    EXPECT_EQ(fetchOne(*c, "SELECT 1 FROM RDB$DATABASE").value(0).toInt(), 1);
    c->close();
    EXPECT_EQ(c->state(), ConnectionState::Closed);
}

TEST(Connection, TrimsBlanksAroundTheDatabasePath) {
    ScratchDatabase db;
    auto c = db.connection();
    c->params().set("Database", "  " + db.databaseParameter() + " \t");
    EXPECT_NO_THROW(c->open());
}

TEST(Connection, MissingFileGivesTheConnectFailureAndTheServerText) {
    ScratchDatabase db;
    auto c = db.connection();
    c->params().set("Database", db.folder() + "/datos/001/tirelon.fdb");
    const QString text = connectError(*c);
    EXPECT_TRUE(
        text.startsWith("dbExpress Error: [0x0015]: Connection failed\r\nSQL Server Error: "))
        << text.toStdString();
    EXPECT_TRUE(text.contains("I/O error during \"open\" operation for file \"" + db.folder() +
                              "/datos/001/tirelon.fdb\""))
        << text.toStdString();
}

TEST(Connection, StatementRunOnAClosedConnectionOpensItFirst) {
    ScratchDatabase db;
    auto c = db.connection();
    auto t = c->startTransaction(Transaction::Kind::ReadOnly);
    EXPECT_TRUE(c->connected());
    Statement s(*t, "SELECT 1 FROM RDB$DATABASE");
    s.openCursor();
    QVariantList row;
    EXPECT_TRUE(s.fetch(row));
}

TEST(Connection, CloseEndsOpenTransactionsAndEmitsClosing) {
    ScratchDatabase db;
    auto c = db.connection();
    auto t = c->startTransaction(Transaction::Kind::ReadOnly);
    int closing = 0;
    QObject::connect(c.get(), &Connection::closing, [&] { ++closing; });
    c->close();
    EXPECT_EQ(closing, 1);
    EXPECT_FALSE(t->isActive());
    EXPECT_EQ(c->state(), ConnectionState::Closed);
}

TEST(ServerConnection, OpensThroughTheLoopbackServer) {
    TIRELON_REQUIRE_SERVER();
    ScratchDatabase db(ScratchDatabase::Access::Server);
    auto c = db.connection();
    c->open();
    EXPECT_EQ(fetchOne(*c, "SELECT CURRENT_USER FROM RDB$DATABASE").value(0).toString().trimmed(),
              "SYSDBA");
}

TEST(ServerConnection, WrongPasswordIsRefusedWithBothParts) {
    TIRELON_REQUIRE_SERVER();
    ScratchDatabase db(ScratchDatabase::Access::Server);
    auto c = db.connection();
    c->params().set("Password", "not-the-password");
    const QString text = connectError(*c);
    EXPECT_TRUE(text.contains("[0x0015]: Connection failed")) << text.toStdString();
    EXPECT_TRUE(text.contains("Your user name and password are not defined")) << text.toStdString();
    // A later connect with the right password works on the same object.
    c->params().set("password", test::serverPassword());
    EXPECT_NO_THROW(c->open());
}

TEST(ServerConnection, ClosedPortCannotBeReached) {
    ScratchDatabase db;
    auto c = db.connection();
    c->params().set("Database", "localhost/3059:" + db.filePath());
    const QString text = connectError(*c);
    EXPECT_TRUE(text.contains("Unable to complete network request to host \"localhost\"."))
        << text.toStdString();
    EXPECT_TRUE(text.contains("Failed to establish a connection.")) << text.toStdString();
}

TEST(Statement, ServerFailuresCarryTheServerPartAlone) {
    ScratchDatabase db;
    auto c = db.connection();
    auto t = c->startTransaction(Transaction::Kind::ReadOnly);
    try {
        Statement s(*t, "SELECT NOPE FROM RDB$DATABASE");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().startsWith("SQL Server Error: Dynamic SQL Error"))
            << e.message().toStdString();
        EXPECT_TRUE(e.clientPart().isEmpty());
        EXPECT_EQ(e.sqlState(), "42S22");
    }
}

TEST(Statement, TypedValuesAndParametersRoundTrip) {
    ScratchDatabase db;
    db.execute("CREATE TABLE T (S VARCHAR(20), C CHAR(5), I INTEGER, D DATE, N INTEGER)");
    auto c = db.connection();
    {
        auto t = c->startTransaction(Transaction::Kind::ReadWrite);
        Statement ins(*t, "INSERT INTO T VALUES (?, ?, ?, ?, ?)");
        EXPECT_EQ(ins.execute({QString::fromUtf8("O'Neil \"ñ\" €"), QString("ab"), -7,
                               QDate(2024, 2, 29), QVariant()}),
                  1u);
        t->commit();
    }
    const QVariantList row = fetchOne(*c, "SELECT S, C, I, D, N FROM T WHERE I = ?", {-7});
    EXPECT_EQ(row[0].toString(), QString::fromUtf8("O'Neil \"ñ\" €"));
    EXPECT_EQ(row[1].toString(), "ab   "); // CHAR keeps its blanks
    EXPECT_EQ(row[2].toInt(), -7);
    EXPECT_EQ(row[3].toDate(), QDate(2024, 2, 29));
    EXPECT_FALSE(row[4].isValid());
}

TEST(Statement, TextColumnsAreWindows1252Bytes) {
    ScratchDatabase db;
    db.execute({"CREATE TABLE T (S VARCHAR(10))",
                "INSERT INTO T VALUES (CAST(x'80D1F1' AS VARCHAR(10) CHARACTER SET OCTETS))"});
    auto c = db.connection();
    EXPECT_EQ(fetchOne(*c, "SELECT S FROM T")[0].toString(), QString::fromUtf8("€Ññ"));
    // And text written by us lands as the same bytes.
    db.execute("DELETE FROM T");
    {
        auto t = c->startTransaction(Transaction::Kind::ReadWrite);
        Statement(*t, "INSERT INTO T VALUES (?)").execute({QString::fromUtf8("€Ññ")});
        t->commit();
    }
    const QVariant stored =
        fetchOne(*c, "SELECT CAST(S AS VARCHAR(10) CHARACTER SET OCTETS) FROM T")[0];
    EXPECT_EQ(stored.toByteArray().toHex(), "80d1f1");
}

TEST(Statement, OctetsTextIsReadAsItsBytes) {
    QByteArray bytes(300, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7); // every byte value, NUL and 0x81 among them
    ScratchDatabase db;
    db.execute("CREATE TABLE P (B BLOB SUB_TYPE 0)");
    auto c = db.connection();
    auto t = c->startTransaction(Transaction::Kind::ReadWrite);
    Statement(*t, "INSERT INTO P VALUES (?)").execute({QVariant::fromValue(writeBlob(*t, bytes))});
    Statement s(*t, "SELECT CAST(B AS VARCHAR(1000) CHARACTER SET OCTETS), "
                    "CAST(SUBSTRING(B FROM 1 FOR 4) AS CHAR(6) CHARACTER SET OCTETS) FROM P");
    s.openCursor();
    QVariantList row;
    ASSERT_TRUE(s.fetch(row));
    EXPECT_EQ(row[0].typeId(), QMetaType::QByteArray);
    EXPECT_EQ(row[0].toByteArray(), bytes);
    // Fixed length: padded with NUL bytes, which are part of the value.
    EXPECT_EQ(row[1].toByteArray(), bytes.left(4) + QByteArray(2, '\0'));
}

class BlobTest : public ::testing::TestWithParam<int> {};

TEST_P(BlobTest, ReadsAndStreamsExactly) {
    const int size = GetParam();
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(QRandomGenerator::global()->bounded(256));
    ScratchDatabase db;
    db.execute("CREATE TABLE P (ID INTEGER, B BLOB SUB_TYPE 0)");
    auto c = db.connection();
    auto t = c->startTransaction(Transaction::Kind::ReadWrite);
    const BlobId id = writeBlob(*t, bytes);
    Statement(*t, "INSERT INTO P VALUES (1, ?)").execute({QVariant::fromValue(id)});
    Statement s(*t, "SELECT B FROM P");
    s.openCursor();
    QVariantList row;
    ASSERT_TRUE(s.fetch(row));
    const BlobId fetched = row[0].value<BlobId>();
    {
        BlobReader whole(*t, fetched);
        EXPECT_EQ(whole.length(), size);
        EXPECT_EQ(whole.readAll(), bytes);
    }
    // A buffer much smaller than a segment still gets every byte, in order.
    BlobReader small(*t, fetched);
    QByteArray pieces;
    char buffer[1000];
    for (qint64 n; (n = small.read(buffer, sizeof buffer)) > 0;)
        pieces.append(buffer, n);
    EXPECT_EQ(pieces, bytes);
    EXPECT_EQ(small.read(buffer, sizeof buffer), 0); // reading at the end stays at the end
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlobTest, ::testing::Values(0, 1, 65535, 65536, 300001));

TEST(Blob, NullBlobReadsAsNull) {
    ScratchDatabase db;
    db.execute({"CREATE TABLE P (B BLOB)", "INSERT INTO P VALUES (NULL)"});
    auto c = db.connection();
    EXPECT_FALSE(fetchOne(*c, "SELECT B FROM P")[0].isValid());
}
