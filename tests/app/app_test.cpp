// The program itself, started as a scheduler would start it, under the offscreen
// platform. TIRELON_TEST_CLOSE_AFTER_MS makes it close its windows after a while, as
// a user would; a line on standard error tells that the hook did it.

#include "demo/companyschema.h"
#include "support/company.h"
#include "support/errorlogreader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <ostream>

namespace tirelon {
namespace {

using test::CompanyFolder;
using test::ScratchDatabase;

constexpr int kCloseAfterMs = 4000;

struct Outcome {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QString errors;
    bool closedByHook() const { return errors.contains("test hook: closing windows"); }
};

class Program : public ::testing::Test {
protected:
    explicit Program(ScratchDatabase::Access access = ScratchDatabase::Access::Embedded)
        : companies(access) {}

    void SetUp() override {
        QFile reg(registryFolder.filePath("registry.reg"));
        ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
        reg.write("Windows Registry Editor Version 5.00\n\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024]\n\"Directorio\"=\"" +
                  QFile::encodeName(installFolder.path()) + "\"\n");
        QFile servers(installFolder.filePath("SERVIDORES.cfg"));
        ASSERT_TRUE(servers.open(QIODevice::WriteOnly));
        servers.write("/no/such/server\r\n");
        ASSERT_TRUE(QDir(installFolder.path()).mkdir("IMAGENES"));
    }

    // Company 001 with photos of two articles and one article without any.
    void addCompanyWithPhotos() {
        companies.addCompany("001");
        auto c = companies.connect("001");
        auto t = c->startTransaction(fb::Transaction::Kind::ReadWrite);
        demo::addArticle(*t, "A1", "Mesa");
        demo::addArticle(*t, "B2", "Silla");
        demo::addArticle(*t, "C3", "Lámpara");
        const std::pair<QString, int> rows[] = {{"A1", 1}, {"A1", 2}, {"B2", 1}};
        for (const auto& [code, item] : rows) {
            photos[code + "-" + QString::number(item) + ".jpg"] =
                demo::productPhoto(code, item, 150 + 40 * item);
            demo::addPhoto(*t, code, item, &photos[code + "-" + QString::number(item) + ".jpg"]);
        }
        demo::setStoreSettings(*t, {"http://tienda", {}, {}, {}, {}, {}, {}, {}, {2024, 3, 1}, {}});
        t->commit();
    }

    Outcome run(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TIRELON_REGISTRY", registryFolder.filePath("registry.reg"));
        env.insert("TIRELON_TEST_CLOSE_AFTER_MS", QString::number(kCloseAfterMs));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workFolder.path());
        process.start(qEnvironmentVariable("TIRELON_BIN_DIR") + "/app/exportar-imagenes",
                      arguments);
        Outcome outcome;
        EXPECT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
        outcome.finished = process.waitForFinished(120000);
        if (!outcome.finished)
            process.kill();
        outcome.status = process.exitStatus();
        outcome.exitCode = process.exitCode();
        outcome.errors = QString::fromLocal8Bit(process.readAllStandardError());
        return outcome;
    }

    QStringList logEntries() const { return test::errorLogEntries(workFolder.path()); }

    QStringList exportedFiles() const {
        return QDir(installFolder.filePath("IMAGENES")).entryList(QDir::Files, QDir::Name);
    }

    void expectEveryPhotoExported() const {
        QStringList expected;
        for (const auto& [name, bytes] : photos)
            expected.append(name);
        ASSERT_EQ(exportedFiles(), expected);
        for (const auto& [name, bytes] : photos) {
            QFile file(installFolder.filePath("IMAGENES/" + name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), bytes) << name.toStdString();
        }
    }

    static void expectClosedNormallyByTheHook(const Outcome& outcome) {
        ASSERT_TRUE(outcome.finished);
        EXPECT_EQ(outcome.status, QProcess::NormalExit);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.errors.toStdString();
        EXPECT_TRUE(outcome.closedByHook()) << outcome.errors.toStdString();
    }

    // The ten positions of an unattended run on company 001, with the switch last.
    QStringList unattended(const QString& password = "masterkey") const {
        return {companies.serverEntry(), "SYSDBA", password, "001", "5", "6", "7", "8", "9", "S"};
    }

    QTemporaryDir workFolder;
    QTemporaryDir installFolder;
    QTemporaryDir registryFolder;
    CompanyFolder companies;
    std::map<QString, QByteArray> photos;
};

struct RunCase {
    const char* name;
    // Builds the arguments from the ten positions of an unattended run.
    QStringList (*arguments)(QStringList tenPositions);
    bool exports;
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramRun : public Program, public ::testing::WithParamInterface<RunCase> {};

TEST_P(ProgramRun, ExportsOnlyWithTheTenthParameter) {
    addCompanyWithPhotos();
    const Outcome outcome = run(GetParam().arguments(unattended()));
    expectClosedNormallyByTheHook(outcome);
    EXPECT_TRUE(logEntries().isEmpty()) << logEntries().join('\n').toStdString();
    if (GetParam().exports)
        expectEveryPhotoExported();
    else
        EXPECT_TRUE(exportedFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramRun,
    ::testing::Values(RunCase{"TenParameters", [](QStringList p) { return p; }, true},
                      RunCase{"WithADate",
                              [](QStringList p) {
                                  p.append("15/03/2024");
                                  return p;
                              },
                              true},
                      RunCase{"NineParameters",
                              [](QStringList p) {
                                  p.removeLast();
                                  return p;
                              },
                              false},
                      RunCase{"EmptyParameterShiftsTheRestDown",
                              [](QStringList p) {
                                  p.insert(1, "");
                                  return p;
                              },
                              true},
                      RunCase{"EmptyTenthParameterTakesNoPosition",
                              [](QStringList p) {
                                  p.insert(9, "");
                                  p.removeLast();
                                  return p;
                              },
                              false},
                      RunCase{"NoParameters", [](QStringList) { return QStringList{}; }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Program, InvalidDateStopsTheRunBeforeTheExport) {
    addCompanyWithPhotos();
    QStringList arguments = unattended();
    arguments.append("32/13/2024");
    const Outcome outcome = run(arguments);
    expectClosedNormallyByTheHook(outcome);
    const QStringList entries = logEntries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_TRUE(entries[0].endsWith(",'32/13/2024' is not a valid date"))
        << entries[0].toStdString();
    EXPECT_TRUE(exportedFiles().isEmpty());
}

class ProgramOnServer : public Program {
protected:
    ProgramOnServer() : Program(ScratchDatabase::Access::Server) {}
    void SetUp() override {
        TIRELON_REQUIRE_SERVER();
        Program::SetUp();
    }
};

TEST_F(ProgramOnServer, RefusedLogInKeepsTheProgramOpen) {
    addCompanyWithPhotos();
    const Outcome outcome = run(unattended("no-es-la-clave"));
    expectClosedNormallyByTheHook(outcome);
    const QStringList entries = logEntries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_TRUE(entries[0].endsWith("Connection failed")) << entries[0].toStdString();
    EXPECT_TRUE(exportedFiles().isEmpty());
}

TEST_F(ProgramOnServer, RightPasswordExportsThroughTheServer) {
    addCompanyWithPhotos();
    const Outcome outcome = run(unattended(test::serverPassword()));
    expectClosedNormallyByTheHook(outcome);
    EXPECT_TRUE(logEntries().isEmpty()) << logEntries().join('\n').toStdString();
    expectEveryPhotoExported();
}

} // namespace
} // namespace tirelon
