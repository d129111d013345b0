#include "data/errors/errorrules.h"

#include <gtest/gtest.h>

#include <ostream>

using tirelon::applicationRulesText;
using tirelon::recordRulesText;
using tirelon::updateRulesText;

namespace {

// Messages shaped as the database client layer builds them: a client part, CR LF
// and a server part, or the server part alone.
const QString kConnectFailed = QStringLiteral("dbExpress Error: [0x0015]: Connection failed");

QString connectFailure(const char* serverText) {
    return kConnectFailed + QStringLiteral("\r\nSQL Server Error: ") +
           QString::fromUtf8(serverText);
}

QString statementFailure(const char* serverText) {
    return QStringLiteral("SQL Server Error: ") + QString::fromUtf8(serverText);
}

const QString kServerNotFound =
    QStringLiteral("No se encontró el servidor Interbase/Firebird. Verifique Servidor en panel "
                   "de control y puerto TCP 3050.");

struct Case {
    const char* name;
    QString message;
    QString expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

std::string caseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

} // namespace

class ApplicationRules : public testing::TestWithParam<Case> {};

TEST_P(ApplicationRules, GiveTheSpanishText) {
    EXPECT_EQ(applicationRulesText(GetParam().message), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ApplicationRules,
    testing::Values(
        // The log-in test comes before "Connection failed", which the client part holds.
        Case{"WrongPassword",
             connectFailure("Your user name and password are not defined. Ask your database "
                            "administrator to set up a Firebird login."),
             QStringLiteral("El nombre de Usuario o la clave son incorrectas.")},
        // Firebird 3 names the missing file after "operation for file"; the first
        // quoted word is the operation, not the path.
        Case{"MissingDatabaseFile",
             connectFailure("I/O error during \"open\" operation for file "
                            "\"/srv/x/datos/001/tirelon.fdb\"\n-Error while trying to open "
                            "file\n-No such file or directory"),
             QStringLiteral("No se encontró el archivo o la ruta /srv/x/datos/001/tirelon.fdb")},
        Case{
            "MissingDatabaseFileWindowsOperation",
            connectFailure("I/O error during \"CreateFile (open)\" operation for file "
                           "\"C:\\ERP\\datos\\001\\tirelon.fdb\"\n-Error while trying to open "
                           "file"),
            QStringLiteral("No se encontró el archivo o la ruta C:\\ERP\\datos\\001\\tirelon.fdb")},
        Case{"MissingDatabaseFileWithoutQuotedPath",
             connectFailure("I/O error during \"open\" operation for file"),
             QStringLiteral("No se encontró el archivo o la ruta ")},
        // The older server text keeps the rule of the first quoted text.
        Case{"OlderServerMissingFile",
             connectFailure("I/O error for file \"/srv/x/datos/002/tirelon.fdb\"\n-Error while "
                            "trying to open file"),
             QStringLiteral("No se encontró el archivo o la ruta /srv/x/datos/002/tirelon.fdb")},
        Case{"OlderServerMissingFileWithOneQuote",
             connectFailure("I/O error for file \"/srv/x/datos/002/tirelon.fdb"),
             QStringLiteral("No se encontró el archivo o la ruta ")},
        // The two halves of the newer text on different lines are not that text.
        Case{"IoHalvesOnSeparateLines",
             connectFailure("I/O error during \"open\"\n-operation for file \"/a/b.fdb\""),
             kServerNotFound},
        Case{"UnknownHost",
             connectFailure("Unable to complete network request to host \"nohost\".\n-Failed to "
                            "locate host machine."),
             QStringLiteral("No se encontró el equipo servidor con nombre nohost")},
        Case{"UnknownHostWithoutQuotes",
             connectFailure("Unable to complete network request to host nohost.\n-Failed to "
                            "locate host machine."),
             QStringLiteral("No se encontró el equipo servidor con nombre ")},
        Case{"ClosedPort",
             connectFailure("Unable to complete network request to host \"localhost\".\n-Failed "
                            "to establish a connection."),
             QStringLiteral("No se encontró el equipo servidor con nombre localhost")},
        Case{"ConnectFailureWithoutServerPart", kConnectFailed, kServerNotFound},
        Case{"OtherClientError", QStringLiteral("dbExpress Error: Unknown Error Code '335544344'"),
             QStringLiteral("Se presento el siguiente error: dbExpress Error: Unknown Error Code "
                            "'335544344'")},
        // Tests are exact: letter case counts, and only a message that begins with
        // the client prefix is a client error.
        Case{"LowerCaseClientPrefix", QStringLiteral("dbexpress Error: Connection failed"),
             QStringLiteral("Se presento el siguiente error: dbexpress Error: Connection failed")},
        Case{"ServerPartAlone",
             statementFailure("violation of PRIMARY or UNIQUE KEY constraint \"PK_X\" on table "
                              "\"X\""),
             QStringLiteral("Se presento el siguiente error: SQL Server Error: violation of "
                            "PRIMARY or UNIQUE KEY constraint \"PK_X\" on table \"X\"")},
        Case{"RequiredFieldFromTheRecordSet",
             QStringLiteral("Field 'COTV_URLADMIN' must have a value"),
             QStringLiteral("Se presento el siguiente error: Field 'COTV_URLADMIN' must have a "
                            "value")},
        Case{"Empty", QString(), QStringLiteral("Se presento el siguiente error: ")},
        Case{"PrefixOnly", QStringLiteral("dbExpress"),
             QStringLiteral("Se presento el siguiente error: dbExpress")}),
    caseName);

struct UpdateCase {
    const char* name;
    QString message;
    QString sourceName;
    QString expected;
};

void PrintTo(const UpdateCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateRules : public testing::TestWithParam<UpdateCase> {};

TEST_P(UpdateRules, GiveTheSpanishText) {
    EXPECT_EQ(updateRulesText(GetParam().message, GetParam().sourceName), GetParam().expected);
}

const QString kPrimaryViolation =
    QStringLiteral("SQL Server Error: violation of PRIMARY or UNIQUE KEY constraint "
                   "\"PK_CONFIGURA_TIENDAV\" on table \"CONFIGURA_TIENDAV\"\n-Problematic key "
                   "value is (\"COTV_ID\" = 1)");

INSTANTIATE_TEST_SUITE_P(
    Messages, UpdateRules,
    testing::Values(
        UpdateCase{"PrimaryKey", kPrimaryViolation, QStringLiteral("TConftiendav"),
                   QStringLiteral("Ya existe el registro en la tabla Conftiendav")},
        UpdateCase{"ForeignKey",
                   statementFailure("violation of FOREIGN KEY constraint \"FK_A\" on table "
                                    "\"FOTOS_ARTICULO\""),
                   QStringLiteral("TArticulo"),
                   QStringLiteral("Está borrando o insertando un registro en la tabla Articulo "
                                  "que tiene una relación con otra tabla.")},
        // Exactly the twenty characters, nothing after them.
        UpdateCase{"EndsAtCharacter38", statementFailure("violation of PRIMARY"),
                   QStringLiteral("TConftiendav"),
                   QStringLiteral("Ya existe el registro en la tabla Conftiendav")},
        // The server text must start at character 19: a client part in front moves it.
        UpdateCase{"BehindClientPart",
                   QStringLiteral("dbExpress Error: [0x0001]\r\n") + kPrimaryViolation,
                   QStringLiteral("TConftiendav"),
                   QStringLiteral("dbExpress Error: [0x0001]\r\n") + kPrimaryViolation},
        UpdateCase{"LowerCaseKeyword", statementFailure("violation of primary key"),
                   QStringLiteral("TConftiendav"),
                   QStringLiteral("SQL Server Error: violation of primary key")},
        UpdateCase{"CutShort", statementFailure("violation of PRIM"),
                   QStringLiteral("TConftiendav"),
                   QStringLiteral("SQL Server Error: violation of PRIM")},
        UpdateCase{"ShorterThan19", QStringLiteral("SQL Server Error"),
                   QStringLiteral("TConftiendav"), QStringLiteral("SQL Server Error")},
        UpdateCase{"Empty", QString(), QStringLiteral("TConftiendav"), QString()},
        // A nameless source gives an empty table name rather than a failure.
        UpdateCase{"NamelessSource", kPrimaryViolation, QString(),
                   QStringLiteral("Ya existe el registro en la tabla ")}),
    [](const testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

struct RecordCase {
    const char* name;
    QString message;
    QStringList requiredWithoutValue;
    QStringList indexFields;
    QString expected;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordRules : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordRules, GiveTheSpanishText) {
    const RecordCase& c = GetParam();
    EXPECT_EQ(recordRulesText(c.message, c.requiredWithoutValue, c.indexFields), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, RecordRules,
    testing::Values(
        RecordCase{"RequiredFieldWithoutValue",
                   QStringLiteral("Field 'COTV_URLADMIN' must have a value"),
                   {QStringLiteral("COTV_URLADMIN")},
                   {QStringLiteral("COTV_ID")},
                   QStringLiteral("Los campos COTV_URLADMIN,  son obligatorios.")},
        RecordCase{"SeveralRequiredFieldsInFieldOrder",
                   QStringLiteral("Field 'COTV_URLADMIN' must have a value"),
                   {QStringLiteral("COTV_URLADMIN"), QStringLiteral("COTV_FTPHOST"),
                    QStringLiteral("COTV_BASEDATOS")},
                   {},
                   QStringLiteral("Los campos COTV_URLADMIN, COTV_FTPHOST, COTV_BASEDATOS,  son "
                                  "obligatorios.")},
        RecordCase{"FieldMessageWithNoRequiredFieldEmpty",
                   QStringLiteral("Field 'COTV_URLADMIN' must have a value"),
                   {},
                   {QStringLiteral("COTV_ID")},
                   QStringLiteral("Los campos  son obligatorios.")},
        RecordCase{"KeyViolation",
                   QStringLiteral("key violation."),
                   {QStringLiteral("COTV_URLADMIN")},
                   {QStringLiteral("COTV_ID"), QStringLiteral("COTV_FECHA")},
                   QStringLiteral("Ya existe un registro con el mismo COTV_ID COTV_FECHA ")},
        RecordCase{"KeyViolationWithoutIndex",
                   QStringLiteral("key violation."),
                   {},
                   {},
                   QStringLiteral("Ya existe un registro con el mismo ")},
        RecordCase{"CapitalKeyIsNotMatched",
                   QStringLiteral("Key violation."),
                   {},
                   {QStringLiteral("COTV_ID")},
                   QStringLiteral("Key violation.")},
        RecordCase{"MasterWithDetails",
                   QStringLiteral("Cannot delete master record with details"),
                   {QStringLiteral("COTV_URLADMIN")},
                   {QStringLiteral("COTV_ID")},
                   QStringLiteral("Error. Borre antes los detalles dependientes del registro.")},
        // Only the first thirty characters are compared.
        RecordCase{"MasterPrefixOnly",
                   QStringLiteral("Cannot delete master record wi"),
                   {},
                   {},
                   QStringLiteral("Error. Borre antes los detalles dependientes del registro.")},
        RecordCase{"MasterPrefixCutShort",
                   QStringLiteral("Cannot delete master record w"),
                   {},
                   {},
                   QStringLiteral("Cannot delete master record w")},
        RecordCase{"DatabaseErrorUnchanged",
                   kPrimaryViolation,
                   {QStringLiteral("COTV_URLADMIN")},
                   {QStringLiteral("COTV_ID")},
                   kPrimaryViolation},
        RecordCase{"LowerCaseFieldIsNotMatched",
                   QStringLiteral("field 'X' must have a value"),
                   {QStringLiteral("X")},
                   {},
                   QStringLiteral("field 'X' must have a value")},
        RecordCase{"Empty", QString(), {QStringLiteral("X")}, {QStringLiteral("Y")}, QString()}),
    [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });
