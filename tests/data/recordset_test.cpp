#include "data/fb/statement.h"
#include "data/recordset/clientdataset.h"
#include "scratchdb.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

using namespace tirelon;
using tirelon::test::ScratchDatabase;

namespace {

// A table reader, its provider and a cached record set over table T(ID, NAME, D).
struct Fixture {
    ScratchDatabase db;
    std::unique_ptr<fb::Connection> connection;
    QObject owner;
    SourceDataSet* source;
    TDataSetProvider* provider;
    TClientDataSet* data;

    explicit Fixture(const QStringList& rows = {}) {
        QStringList statements{"CREATE TABLE T (ID INTEGER, NAME VARCHAR(20), D DATE)"};
        for (const QString& r : rows)
            statements << "INSERT INTO T VALUES (" + r + ")";
        db.execute(statements);
        connection = db.connection();
        source = new SourceDataSet(SourceDataSet::Kind::Table, connection.get(), &owner);
        source->setObjectName("TT");
        source->setTableName("T");
        provider = new TDataSetProvider(&owner);
        provider->setObjectName("PT");
        provider->setDataSet(source);
        data = new TClientDataSet(&owner);
        data->setObjectName("CT");
        data->setProviderName("PT");
        data->addField({"CTID", "ID", FieldType::Integer, 0, true, {}});
        data->addField({"CTNAME", "NAME", FieldType::String, 20, false, "Nombre"});
        data->addField({"CTD", "D", FieldType::Date, 0, false, {}});
    }
    QStringList names() {
        QStringList out;
        for (data->first(); !data->eof(); data->next())
            out << data->asString("NAME");
        return out;
    }
    QString stored(const QString& sql) {
        auto t = connection->startTransaction(fb::Transaction::Kind::ReadOnly);
        fb::Statement s(*t, sql);
        s.openCursor();
        QVariantList row;
        return s.fetch(row) ? row[0].toString() : QStringLiteral("<no row>");
    }
};

} // namespace

TEST(ClientDataSet, OpensFetchesAllRowsAndNavigates) {
    Fixture f({"1, 'uno', '2020-01-02'", "2, 'dos', NULL", "3, NULL, NULL"});
    QAbstractItemModelTester tester(f.data, QAbstractItemModelTester::FailureReportingMode::Fatal);
    f.data->open();
    EXPECT_EQ(f.data->recordCount(), 3);
    EXPECT_EQ(f.names(), (QStringList{"uno", "dos", ""}));
    EXPECT_TRUE(f.data->eof());
    EXPECT_EQ(f.data->recNo(), 2); // past the end, the last row stays current
    f.data->first();
    EXPECT_EQ(f.data->asDate("D"), QDate(2020, 1, 2));
    f.data->next();
    EXPECT_EQ(f.data->asDate("D"), QDate(1899, 12, 30)); // null date reads as day zero
    EXPECT_EQ(f.data->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Nombre");
}

TEST(ClientDataSet, FetchesInPacketsOnDemand) {
    QStringList rows;
    for (int i = 0; i < 25; ++i)
        rows << QString("%1, 'n%1', NULL").arg(i);
    Fixture f(rows);
    f.data->setPacketRecords(10);
    f.data->open();
    EXPECT_EQ(f.data->recordCount(), 10);
    EXPECT_EQ(f.names().size(), 25); // moving on fetches further packets
    EXPECT_EQ(f.data->recordCount(), 25);
}

TEST(ClientDataSet, DeclaredFieldMissingFromTheSourceFailsToOpen) {
    Fixture f;
    f.data->addField({"CTX", "NOPE", FieldType::String, 5, false, {}});
    EXPECT_THROW(f.data->open(), Error);
    EXPECT_FALSE(f.data->active());
}

TEST(ClientDataSet, ClosedDataSetRefusesOperations) {
    Fixture f;
    try {
        f.data->edit();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Cannot perform this operation on a closed dataset");
    }
}

TEST(ClientDataSet, RequiredFieldCheckNamesTheField) {
    Fixture f;
    f.data->open();
    f.data->append();
    f.data->setValue("NAME", "x");
    try {
        f.data->post();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Field 'ID' must have a value");
    }
    EXPECT_EQ(f.data->state(), TClientDataSet::State::Insert); // still editing
    EXPECT_EQ(f.data->requiredFieldsWithoutValue(), QStringList{"ID"});
}

TEST(ClientDataSet, ErrorHandlerAnswersDecideWhatHappens) {
    Fixture f;
    f.data->open();
    int calls = 0;
    TDataAction answer = TDataAction::daAbort;
    f.data->setOnPostError([&](TClientDataSet*, const std::exception&, TDataAction& a) {
        ++calls;
        a = answer;
        if (answer == TDataAction::daRetry) {
            f.data->setValue("ID", 7); // the handler fixes the row, then the post runs again
            answer = TDataAction::daFail;
        }
    });
    f.data->append();
    EXPECT_THROW(f.data->post(), SilentAbort);
    answer = TDataAction::daFail;
    EXPECT_THROW(f.data->post(), Error);
    answer = TDataAction::daRetry;
    EXPECT_NO_THROW(f.data->post());
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(f.data->recordCount(), 1);
}

TEST(ClientDataSet, AppliesAnUpdateWithQuotesAndAccentsExactly) {
    Fixture f({"1, 'uno', NULL"});
    f.data->open();
    f.data->edit();
    f.data->setValue("NAME", QString::fromUtf8("O'Brien \"ñ\" €"));
    f.data->post();
    EXPECT_EQ(f.data->changeCount(), 1);
    EXPECT_EQ(f.data->applyUpdates(0), 0);
    EXPECT_EQ(f.data->changeCount(), 0);
    EXPECT_EQ(f.stored("SELECT NAME FROM T WHERE ID = 1"), QString::fromUtf8("O'Brien \"ñ\" €"));
}

TEST(ClientDataSet, InsertsANewRow) {
    Fixture f;
    f.data->open();
    f.data->edit(); // editing an empty record set starts a new row
    EXPECT_EQ(f.data->state(), TClientDataSet::State::Insert);
    f.data->setValue("ID", 5);
    f.data->setValue("D", QDate(2021, 3, 4));
    EXPECT_EQ(f.data->applyUpdates(0), 0); // posts the row in progress first
    EXPECT_EQ(f.stored("SELECT D FROM T WHERE ID = 5 AND NAME IS NULL"), "2021-03-04");
}

TEST(ClientDataSet, ApplyFindingNoMatchingRowFailsRollsBackAndKeepsTheChange) {
    Fixture f({"1, 'uno', NULL", "2, 'dos', NULL"});
    f.data->open();
    // Change both rows; a peer changes the second one meanwhile.
    f.data->edit();
    f.data->setValue("NAME", "UNO");
    f.data->post();
    f.data->next();
    f.data->edit();
    f.data->setValue("NAME", "DOS");
    f.data->post();
    {
        auto peer = f.db.connection();
        auto t = peer->startTransaction(fb::Transaction::Kind::ReadWrite);
        fb::Statement(*t, "UPDATE T SET NAME = 'peer' WHERE ID = 2").execute();
        t->commit();
    }
    QStringList reported;
    f.provider->setOnUpdateError([&](QObject* sender, TClientDataSet* d, const std::exception& e,
                                     TUpdateKind kind, TResolverResponse&) {
        EXPECT_EQ(sender, f.provider);
        EXPECT_EQ(d, f.data);
        EXPECT_EQ(kind, TUpdateKind::ukModify);
        reported << messageOf(e);
    });
    EXPECT_EQ(f.data->applyUpdates(0), 1);
    EXPECT_EQ(reported, QStringList{"Record not found or changed by another user"});
    EXPECT_EQ(f.stored("SELECT NAME FROM T WHERE ID = 1"), "uno"); // first change rolled back
    EXPECT_EQ(f.data->changeCount(), 2);                           // both still pending
    f.data->cancelUpdates();
    EXPECT_EQ(f.names(), (QStringList{"uno", "dos"}));
}

TEST(ClientDataSet, UpdateMatchingSeveralRowsFails) {
    Fixture f({"1, 'same', NULL", "1, 'same', NULL"});
    f.data->open();
    f.data->edit();
    f.data->setValue("NAME", "changed");
    EXPECT_EQ(f.data->applyUpdates(0), 1);
    EXPECT_EQ(f.stored("SELECT COUNT(*) FROM T WHERE NAME = 'same'"), "2");
}

TEST(ClientDataSet, LocalIndexSortsStablyAndReturnsToQueryOrder) {
    Fixture f({"2, 'b', NULL", "1, 'c', NULL", "2, 'a', NULL", "1, 'a', NULL"});
    QAbstractItemModelTester tester(f.data, QAbstractItemModelTester::FailureReportingMode::Fatal);
    f.data->open();
    f.data->moveTo(3);
    f.data->setIndex({{0, false}});
    EXPECT_EQ(f.data->recNo(), 0); // the first row becomes current after a sort
    EXPECT_EQ(f.names(), (QStringList{"c", "a", "b", "a"}));
    f.data->setIndex({{0, true}, {1, false}});
    EXPECT_EQ(f.names(), (QStringList{"a", "b", "a", "c"}));
    EXPECT_EQ(f.data->indexFieldNames(), (QStringList{"ID", "NAME"}));
    f.data->setIndex({});
    EXPECT_EQ(f.names(), (QStringList{"b", "c", "a", "a"}));
}

TEST(ClientDataSet, ProviderWithoutCommandTextRunsItsOwn) {
    Fixture f({"1, 'uno', NULL"});
    f.data->setCommandText("SELECT * FROM T WHERE 1 = 0");
    f.data->open();
    EXPECT_EQ(f.data->recordCount(), 1);
    f.data->close();
    f.provider->setAllowCommandText(true);
    f.data->open();
    EXPECT_EQ(f.data->recordCount(), 0);
}
