#include "company.h"
#include "data/dm.h"
#include "data/errors/errorlog.h"
#include "data/fb/statement.h"
#include "errorlogreader.h"
#include "platform/exceptiondoor.h"
#include "recordingdialogs.h"

#include <QDir>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tirelon;
using tirelon::test::CompanyFolder;
using tirelon::test::ScopedRecordingDialogs;

namespace {

// Runs the test in a temporary working directory, where ERRORES.TXT lands.
class InTempDir {
public:
    InTempDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~InTempDir() { QDir::setCurrent(previous_); }
    QStringList logLines() const { return test::errorLogLines(dir_.path()); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

void setFecult(CompanyFolder& folder, const QString& code, const QString& date) {
    folder.execute(code, {"INSERT INTO CONFIGURA_TIENDAV (COTV_URLADMIN, COTV_FECULT) VALUES "
                          "('http://tienda/" +
                          code + "', " + date + ")"});
}

} // namespace

TEST(DataModule, ConnectsToTheCompanyAndReadsTheStoreSettingsCopy) {
    CompanyFolder folder;
    folder.addCompany("001");
    setFecult(folder, "001", "'2024-05-06'");
    Tfdm dm;
    EXPECT_EQ(dm.Tirelon->state(), fb::ConnectionState::Closed);
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "masterkey");
    EXPECT_EQ(dm.Tirelon->state(), fb::ConnectionState::Open);
    dm.CConftienda->open();
    EXPECT_EQ(dm.CConftienda->asDate("COTV_FECULT"), QDate(2024, 5, 6));
    EXPECT_EQ(dm.CConftienda->asString("COTV_URLADMIN"), "http://tienda/001");
}

TEST(DataModule, RepeatedConnectsLeaveOneEntryOfEachWithTheLatestValue) {
    CompanyFolder folder;
    folder.addCompany("001");
    folder.addCompany("002");
    Tfdm dm;
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "one");
    dm.ConectarCompania(folder.serverEntry(), "002", "sysdba", "two");
    const auto& p = dm.Tirelon->params();
    EXPECT_EQ(p.count("Database"), 1);
    EXPECT_EQ(p.count("User_Name"), 1);
    EXPECT_EQ(p.count("Password"), 1);
    EXPECT_EQ(p.value("Database"), folder.serverEntry() + "/datos/002/tirelon.fdb");
    EXPECT_EQ(p.value("User_Name"), "sysdba");
    EXPECT_EQ(p.value("password"), "two");
    // The stored order is kept: the password entry was replaced in place.
    EXPECT_EQ(p.entries()[6].name, "Password");
}

TEST(DataModule, ServerTextIsPassedUnchanged) {
    Tfdm dm;
    try {
        dm.ConectarCompania("/nowhere\\", "001", "SYSDBA", "x");
        FAIL();
    } catch (const fb::DbError& e) {
        EXPECT_EQ(dm.Tirelon->params().value("Database"), "/nowhere\\/datos/001/tirelon.fdb");
        EXPECT_TRUE(e.message().contains("\"/nowhere\\/datos/001/tirelon.fdb\""))
            << e.message().toStdString();
    }
    EXPECT_EQ(dm.Tirelon->state(), fb::ConnectionState::Closed);
}

TEST(DataModule, WrongPasswordLeavesItClosedAndARetryConnects) {
    TIRELON_REQUIRE_SERVER();
    CompanyFolder folder(test::ScratchDatabase::Access::Server);
    folder.addCompany("001");
    Tfdm dm;
    EXPECT_THROW(dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "wrong"), fb::DbError);
    EXPECT_EQ(dm.Tirelon->state(), fb::ConnectionState::Closed);
    EXPECT_EQ(dm.Tirelon->params().value("Password"), "wrong");
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", test::serverPassword());
    EXPECT_EQ(dm.Tirelon->state(), fb::ConnectionState::Open);
}

TEST(DataModule, EmptyStoreSettingsReadDayZero) {
    CompanyFolder folder;
    folder.addCompany("001");
    Tfdm dm;
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "masterkey");
    dm.CConftienda->open();
    EXPECT_TRUE(dm.CConftienda->isEmpty());
    EXPECT_EQ(dm.CConftienda->asDate("COTV_FECULT"), QDate(1899, 12, 30));
}

TEST(DataModule, AnOpenCopyIsNotReadAgainAfterConnectingElsewhere) {
    CompanyFolder folder;
    folder.addCompany("001");
    folder.addCompany("002");
    setFecult(folder, "001", "'2001-01-01'");
    setFecult(folder, "002", "'2002-02-02'");
    Tfdm dm;
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "masterkey");
    dm.CConftienda->open();
    dm.ConectarCompania(folder.serverEntry(), "002", "SYSDBA", "masterkey");
    dm.CConftienda->open();
    EXPECT_EQ(dm.CConftienda->asDate("COTV_FECULT"), QDate(2001, 1, 1));
    dm.CConftienda->close();
    dm.CConftienda->open();
    EXPECT_EQ(dm.CConftienda->asDate("COTV_FECULT"), QDate(2002, 2, 2));
}

TEST(ErrorHandling, ApplicationDoorLogsTranslatesAndShowsOneBox) {
    InTempDir cwd;
    ScopedRecordingDialogs boxes;
    Tfdm dm;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        guarded(&button, [] {
            throw fb::DbError(fb::DbError::connectFailedClientPart(),
                              "SQL Server Error: Your user name and password are not defined. "
                              "Ask your database administrator to set up a Firebird login.");
        });
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_EQ(boxes->boxes[0].kind, "error");
    EXPECT_EQ(boxes->boxes[0].caption, "Error");
    EXPECT_EQ(boxes->boxes[0].text, "El nombre de Usuario o la clave son incorrectas.");
    EXPECT_EQ(boxes->beeps, 1);
    const QStringList lines = cwd.logLines();
    ASSERT_EQ(lines.size(), 2); // the message's own line break continues the entry
    EXPECT_TRUE(lines[0].endsWith(",,dbExpress Error: [0x0015]: Connection failed"))
        << lines[0].toStdString();
    // The event loop goes on: a second click is handled the same way.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(boxes->boxes.size(), 2);
}

TEST(ErrorHandling, SilentAbortReachesNoDoor) {
    InTempDir cwd;
    ScopedRecordingDialogs boxes;
    Tfdm dm;
    guarded(nullptr, [] { throw SilentAbort(); });
    EXPECT_TRUE(boxes->boxes.isEmpty());
    EXPECT_TRUE(cwd.logLines().isEmpty());
}

TEST(ErrorHandling, RecordDoorNamesTheRequiredFieldsAndAbortsSilently) {
    InTempDir cwd;
    ScopedRecordingDialogs boxes;
    CompanyFolder folder;
    folder.addCompany("001");
    Tfdm dm;
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "masterkey");
    QObject window;
    auto* editor = new QObject(&window);
    auto* provider = new TDataSetProvider(editor);
    provider->setObjectName("PConftienda");
    provider->setDataSet(dm.TConftiendav);
    auto* data = new TClientDataSet(editor);
    data->setObjectName("CConftienda");
    Tfdm::declareStoreSettingsFields(data);
    data->setProviderName("PConftienda");
    dm.ConfigurarProviders(&window);
    data->open();
    data->append();
    data->setValue("COTV_HOSTFTP", "ftp");
    EXPECT_THROW(data->post(), SilentAbort);
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_EQ(boxes->boxes[0].text, "Los campos COTV_URLADMIN,  son obligatorios.");
}

TEST(ErrorHandling, UpdateDoorNamesTheSourceTable) {
    InTempDir cwd;
    ScopedRecordingDialogs boxes;
    CompanyFolder folder;
    folder.addCompany("001");
    folder.execute("001", {"ALTER TABLE CONFIGURA_TIENDAV ADD CONSTRAINT PK_CT UNIQUE "
                           "(COTV_URLADMIN)",
                           "INSERT INTO CONFIGURA_TIENDAV (COTV_URLADMIN) VALUES ('a')"});
    Tfdm dm;
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "masterkey");
    QObject window;
    auto* provider = new TDataSetProvider(&window);
    provider->setObjectName("PConftienda");
    provider->setDataSet(dm.TConftiendav);
    auto* data = new TClientDataSet(&window);
    data->setObjectName("CConftienda");
    Tfdm::declareStoreSettingsFields(data);
    data->setProvider(provider);
    dm.ConfigurarProviders(&window);
    data->open();
    data->append();
    data->setValue("COTV_URLADMIN", "a");
    data->post();
    EXPECT_EQ(data->applyUpdates(0), 1);
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_EQ(boxes->boxes[0].text, "Ya existe el registro en la tabla Conftiendav");
    EXPECT_EQ(data->changeCount(), 1);
    EXPECT_EQ(cwd.logLines().size(), 1);
}

TEST(ErrorHandling, WiringWalkReachesWhatExistsAtThatMoment) {
    Tfdm dm;
    QObject window;
    auto* editor = new QObject(&window);
    auto* provider = new TDataSetProvider(editor);
    auto* data = new TClientDataSet(editor);
    auto* topLevelData = new TClientDataSet(&window);
    dm.ConfigurarProviders(&window);
    auto* later = new TClientDataSet(&window);
    EXPECT_TRUE(provider->hasUpdateErrorHandler());
    EXPECT_TRUE(data->hasPostErrorHandler());
    EXPECT_EQ(data->packetRecords(), 1000);
    EXPECT_TRUE(topLevelData->hasPostErrorHandler());
    EXPECT_FALSE(later->hasPostErrorHandler());
    EXPECT_EQ(later->packetRecords(), -1);
    EXPECT_FALSE(dm.CConftienda->hasPostErrorHandler()); // the module's own are not reached
}

TEST(ErrorHandling, LogInPasswordNeverReachesTheLog) {
    InTempDir cwd;
    ScopedRecordingDialogs boxes;
    Tfdm dm;
    const QString secret = "S3cr3t-Marker";
    try {
        dm.ConectarCompania("/nowhere", "001", "SYSDBA", secret);
    } catch (const std::exception& e) {
        dm.ENoManejada(nullptr, Error(messageOf(e) + " " + secret));
    }
    ASSERT_FALSE(cwd.logLines().isEmpty());
    EXPECT_FALSE(cwd.logLines().join("\n").contains(secret));
    clearSecrets();
}
