// Runs exportar-imagenes-cli as its own process against real company databases
// (embedded, and through the loopback server for the log-in), with a registry
// file naming an installation directory in a temporary folder.
#include "company.h"
#include "data/fb/connection.h"
#include "demo/companyschema.h"
#include "demo/demolayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

using tirelon::test::CompanyFolder;
using tirelon::test::ScratchDatabase;
namespace demo = tirelon::demo;

namespace {

struct Photo {
    QString code;
    QString description; // empty: no ARTICULO row is added for this code
    int item;
    QByteArray bytes; // null: a NULL image
};

QByteArray randomBytes(int size, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// A working folder (the process's current directory, where ERRORES.TXT lands),
// an installation directory with IMAGENES, the registry file naming it, and a
// company folder.
class CliTest : public ::testing::Test {
protected:
    explicit CliTest(ScratchDatabase::Access access = ScratchDatabase::Access::Embedded)
        : companies_(access) {}

    void SetUp() override {
        ASSERT_TRUE(work_.isValid());
        installDir_ = work_.path() + "/erp";
        ASSERT_TRUE(QDir().mkpath(installDir_ + "/IMAGENES"));
        registry_ = work_.path() + "/registry.reg";
        QFile reg(registry_);
        ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
        reg.write(demo::registryFileText(installDir_));
    }

    QString imagesDir() const { return installDir_ + "/IMAGENES"; }
    QString logPath() const { return work_.path() + "/ERRORES.TXT"; }

    void addCompany(const QString& code, const QList<Photo>& photos) {
        companies_.addCompany(code);
        auto connection = companies_.connect(code);
        auto t = connection->startTransaction(tirelon::fb::Transaction::Kind::ReadWrite);
        QStringList articles;
        for (const Photo& p : photos) {
            if (!p.description.isEmpty() && !articles.contains(p.code)) {
                demo::addArticle(*t, p.code, p.description);
                articles << p.code;
            }
        }
        for (const Photo& p : photos)
            demo::addPhoto(*t, p.code, p.item, p.bytes.isNull() ? nullptr : &p.bytes);
        t->commit();
        connection->close(); // the embedded engine holds a file exclusively
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("ISC_USER");
        env.remove("ISC_PASSWORD");
        env.insert("TIRELON_REGISTRY", registry_);
        return env;
    }

    Result run(const QStringList& arguments) const { return run(arguments, environment()); }

    Result run(const QStringList& arguments, const QProcessEnvironment& env) const {
        QProcess process;
        process.setProgram(executable());
        process.setArguments(arguments);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work_.path());
        process.start();
        Result r;
        if (!process.waitForStarted()) {
            ADD_FAILURE() << "cannot start " << process.program().toStdString();
            return r;
        }
        process.closeWriteChannel();
        // A hung process must not hang the suite; this is no assertion about time.
        if (!process.waitForFinished(5 * 60 * 1000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "exportar-imagenes-cli did not end";
        }
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }

    static QString executable() {
        const QString binDir = qEnvironmentVariable("TIRELON_BIN_DIR");
        if (!binDir.isEmpty())
            return binDir + "/cli/exportar-imagenes-cli";
        return QStringLiteral(TIRELON_CLI_EXECUTABLE);
    }

    QStringList exportedFiles() const {
        return QDir(imagesDir()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }

    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir work_;
    CompanyFolder companies_;
    QString installDir_;
    QString registry_;
};

class CliServerTest : public CliTest {
protected:
    CliServerTest() : CliTest(ScratchDatabase::Access::Server) {}
};

TEST_F(CliTest, WritesEveryPhotoByteForByteAndEndsWithZero) {
    // A photo larger than the writer's buffer, one with every byte value, a null
    // photo, and a photo whose article does not exist (left out by the query).
    const QByteArray large = randomBytes(300 * 1024 + 17, 1);
    const QByteArray small = randomBytes(1000, 2);
    addCompany("001", {{"A-100", "Camisa", 1, large},
                       {"A-100", "Camisa", -3, small},
                       {"B-200", "Gorra", 1, QByteArray()},
                       {"HUERFANA", "", 1, small}});

    const Result r = run({companies_.serverEntry(), "001"});

    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(exportedFiles(), QStringList({"A-100--3.jpg", "A-100-1.jpg"}));
    EXPECT_EQ(contents(imagesDir() + "/A-100-1.jpg"), large);
    EXPECT_EQ(contents(imagesDir() + "/A-100--3.jpg"), small);
    EXPECT_TRUE(r.err.contains("Filas: 3, fotos escritas: 2, filas sin foto: 1"))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(logPath()));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CliTest, ListsRowsTabSeparatedWithWhetherThePhotoWasWritten) {
    addCompany("001", {{"A-1", QString::fromUtf8("Niño\tazul"), 2, randomBytes(10, 3)},
                       {"A-1", QString::fromUtf8("Niño\tazul"), 1, QByteArray()},
                       {"C-3", QString::fromUtf8("Café 20 €"), 7, randomBytes(10, 4)}});

    const Result r = run({"-s", companies_.serverEntry(), "-c", "001", "--list", "--quiet"});

    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // Rows with the same code come in the database's order, so compare as a set.
    QStringList lines = QString::fromUtf8(r.out).split('\n');
    ASSERT_EQ(lines.takeLast(), QString()); // the output ends with a line end
    lines.sort();
    EXPECT_EQ(lines, QStringList({QString::fromUtf8("A-1\tNiño azul\t1\tno"),
                                  QString::fromUtf8("A-1\tNiño azul\t2\tsi"),
                                  QString::fromUtf8("C-3\tCafé 20 €\t7\tsi")}));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(CliTest, MissingImagesFolderStopsWithCannotCreateFile) {
    addCompany("001", {{"A-1", "Uno", 1, randomBytes(10, 5)}});
    ASSERT_TRUE(QDir(imagesDir()).removeRecursively());

    const Result r = run({companies_.serverEntry(), "001"});

    EXPECT_EQ(r.exitCode, 5);
    const QByteArray expected = "Error: Se presento el siguiente error: Cannot create file \"" +
                                QFile::encodeName(imagesDir() + "/A-1-1.jpg") + "\". ";
    EXPECT_TRUE(r.err.contains(expected)) << r.err.toStdString();
    EXPECT_TRUE(contents(logPath()).contains("Cannot create file \""));
    EXPECT_FALSE(QFileInfo::exists(imagesDir())); // never created
}

TEST_F(CliTest, FailedPhotoStopsTheExportAtItsRow) {
    // "M\X" addresses the subfolder M of IMAGENES, which does not exist.
    addCompany("001", {{"A", "Primero", 1, randomBytes(10, 6)},
                       {"M\\X", "Segundo", 1, randomBytes(10, 7)},
                       {"Z", "Tercero", 1, randomBytes(10, 8)}});

    const Result r = run({companies_.serverEntry(), "001", "--list"});

    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(exportedFiles(), QStringList({"A-1.jpg"}));
    EXPECT_TRUE(
        r.err.contains("Cannot create file \"" + QFile::encodeName(imagesDir() + "/M/X-1.jpg")))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Filas:")); // no success summary
    // The list still tells which photos were written before the stop.
    EXPECT_EQ(r.out, QByteArray("A\tPrimero\t1\tsi\nM\\X\tSegundo\t1\tno\nZ\tTercero\t1\tno\n"));
}

TEST_F(CliTest, QueryFailureEndsWithFourAndWritesNothing) {
    addCompany("001", {{"A", "Primero", 1, randomBytes(10, 9)}});
    companies_.execute("001", {"DROP TABLE FOTOS_ARTICULO"});

    const Result r = run({companies_.serverEntry(), "001"});

    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(r.err.startsWith("Error: Se presento el siguiente error: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Table unknown\n-FOTOS_ARTICULO")) << r.err.toStdString();
    EXPECT_TRUE(exportedFiles().isEmpty());
    EXPECT_TRUE(contents(logPath()).contains("FOTOS_ARTICULO"));
}

TEST_F(CliTest, CommandLineProblemsEndWithTheirExitCodes) {
    addCompany("001", {{"A", "Primero", 1, randomBytes(10, 10)}});
    const QString server = companies_.serverEntry();
    const QString unreadable = work_.path() + "/no-existe.txt";
    struct Case {
        QStringList arguments;
        int exitCode;
        QByteArray stderrHolds;
    } cases[] = {
        {{}, 2, "falta el SERVIDOR"},
        {{server}, 2, "falta la COMPANIA"},
        {{server, "001", "extra"}, 2, "sobran argumentos: extra"},
        {{"--desconocida", server, "001"}, 2, QByteArray("opción desconocida: desconocida")},
        {{"-s", server, "001"}, 2, "no de las dos formas"},
        {{server, "001", "-p", "x", "--clave-archivo", unreadable}, 2, "no los dos"},
        {{server, "001", "--clave-archivo", unreadable}, 2, "no se pudo leer el archivo de clave"},
        {{server, "999"},
         3,
         QByteArray("Error: No se encontr\xc3\xb3 el archivo o la ruta ") +
             QFile::encodeName(server + "/datos/999/tirelon.fdb")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Result r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_TRUE(r.err.contains(c.stderrHolds)) << r.err.toStdString();
    }
    EXPECT_TRUE(exportedFiles().isEmpty());
    // Only the failed connect went through the error handler and its log.
    EXPECT_EQ(contents(logPath()).count("datos/999/tirelon.fdb"), 1);
}

TEST_F(CliTest, HelpAndVersionEndWithZero) {
    const Result help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Uso: exportar-imagenes-cli"));
    EXPECT_TRUE(help.out.contains("  5  no se pudo escribir un archivo de foto"));
    const Result version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("exportar-imagenes-cli "));
}

TEST_F(CliTest, ProgressLinesWhenStderrIsNotATerminal) {
    QList<Photo> photos;
    const QByteArray tiny("x");
    for (int i = 0; i < 2500; ++i)
        photos.append(
            {QString("P%1").arg(i, 5, 10, QChar('0')), "Articulo", 1, i % 2 ? tiny : QByteArray()});
    addCompany("001", photos);

    const Result r = run({companies_.serverEntry(), "001"});

    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains('\r'));
    EXPECT_FALSE(r.err.contains("\033["));
    const QList<QByteArray> lines = r.err.split('\n');
    auto hasLine = [&](const QByteArray& start) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const QByteArray& l) { return l.startsWith(start); });
    };
    EXPECT_TRUE(hasLine("exportar-imagenes-cli: 1000/2500 filas, 500 fotos, "))
        << r.err.toStdString();
    EXPECT_TRUE(hasLine("exportar-imagenes-cli: 2000/2500 filas, 1000 fotos, "))
        << r.err.toStdString();
    EXPECT_TRUE(hasLine("Filas: 2500, fotos escritas: 1250, filas sin foto: 1250, "));
    EXPECT_EQ(exportedFiles().size(), 1250);

    const Result quiet = run({companies_.serverEntry(), "001", "--quiet"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
}

TEST_F(CliTest, ProgressLineRewrittenInPlaceOnATerminal) {
    // script(1) gives the exporter a pseudo-terminal for its standard error.
    const QString scriptTool = QStandardPaths::findExecutable("script");
    if (scriptTool.isEmpty())
        GTEST_SKIP() << "script(1) is not installed";
    addCompany("001", {{"A", "Uno", 1, randomBytes(100, 15)}, {"B", "Dos", 1, QByteArray()}});
    const QString command = "'" + executable() + "' '" + companies_.serverEntry() + "' 001";

    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(work_.path());
    process.start(scriptTool, {"-qec", command, "/dev/null"});
    ASSERT_TRUE(process.waitForFinished(5 * 60 * 1000));
    const QByteArray terminal = process.readAll();

    EXPECT_EQ(process.exitCode(), 0) << terminal.toStdString();
    // The final state of the line, then a line end before the summary.
    EXPECT_TRUE(terminal.contains("\r2/2 filas, 1 fotos, 0.0 MB")) << terminal.toStdString();
    EXPECT_TRUE(terminal.contains("\033[K\r\nFilas: 2, fotos escritas: 1, filas sin foto: 1"))
        << terminal.toStdString();
    EXPECT_FALSE(terminal.contains("exportar-imagenes-cli: ")); // no plain periodic lines
}

TEST_F(CliTest, OnlyChangesLeavesIdenticalFilesUntouched) {
    const QByteArray same = randomBytes(5000, 11);
    const QByteArray fresh = randomBytes(5000, 12);
    addCompany("001", {{"A", "Igual", 1, same}, {"B", "Cambiada", 1, fresh}});
    const QString identical = imagesDir() + "/A-1.jpg";
    const QString changed = imagesDir() + "/B-1.jpg";
    auto writeFile = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    };
    writeFile(identical, same);
    QByteArray stale = fresh;
    stale[2500] = static_cast<char>(stale[2500] ^ 0x55); // same size, one byte differs
    writeFile(changed, stale);
    const struct utimbuf old = {1000000000, 1000000000};
    ASSERT_EQ(::utime(QFile::encodeName(identical).constData(), &old), 0);
    ASSERT_EQ(::utime(QFile::encodeName(changed).constData(), &old), 0);

    const Result r = run({companies_.serverEntry(), "001", "--solo-cambios"});

    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QFileInfo(identical).lastModified().toSecsSinceEpoch(), 1000000000);
    EXPECT_EQ(contents(identical), same);
    EXPECT_NE(QFileInfo(changed).lastModified().toSecsSinceEpoch(), 1000000000);
    EXPECT_EQ(contents(changed), fresh);
    EXPECT_TRUE(r.err.contains("fotos escritas: 1, fotos sin cambios: 1")) << r.err.toStdString();

    // Without the option every photo is written again.
    ASSERT_EQ(::utime(QFile::encodeName(identical).constData(), &old), 0);
    ASSERT_EQ(run({companies_.serverEntry(), "001"}).exitCode, 0);
    EXPECT_NE(QFileInfo(identical).lastModified().toSecsSinceEpoch(), 1000000000);
}

TEST_F(CliServerTest, WrongPasswordEndsWithThreeAndKeepsThePasswordSecret) {
    TIRELON_REQUIRE_SERVER();
    addCompany("001", {{"A", "Primero", 1, randomBytes(10, 13)}});
    const QString secret = QStringLiteral("Zq7-no-es-la-clave");
    QProcessEnvironment env = environment();
    env.insert("ISC_PASSWORD", secret);

    const Result r = run({companies_.serverEntry(), "001"}, env);

    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("Error: El nombre de Usuario o la clave son incorrectas.\n"))
        << r.err.toStdString();
    const QByteArray log = contents(logPath());
    EXPECT_EQ(log.count("Your user name and password are not defined"), 1) << log.toStdString();
    EXPECT_TRUE(log.endsWith("\r\n"));
    EXPECT_FALSE(r.err.contains(secret.toUtf8()));
    EXPECT_FALSE(log.contains(secret.toUtf8()));
    EXPECT_TRUE(exportedFiles().isEmpty());
}

TEST_F(CliServerTest, PasswordSources) {
    TIRELON_REQUIRE_SERVER();
    const QByteArray photo = randomBytes(2000, 14);
    addCompany("001", {{"A", "Primero", 1, photo}});
    const QString right = tirelon::test::serverPassword();
    const QString passwordFile = work_.path() + "/clave.txt";
    {
        QFile f(passwordFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(right.toUtf8() + "\r\nsegunda linea\n");
    }
    struct Case {
        const char* name;
        QString iscPassword; // null: not set
        QStringList options;
        int exitCode;
        bool warnsVisible;
    } cases[] = {
        {"ISC_PASSWORD alone", right, {}, 0, false},
        {"password file over a wrong ISC_PASSWORD",
         "mala",
         {"--clave-archivo", passwordFile},
         0,
         false},
        {"-p over a wrong ISC_PASSWORD", "mala", {"-p", right}, 0, true},
        {"wrong ISC_PASSWORD", "mala", {}, 3, false},
        {"no password at all", QString(), {}, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(imagesDir() + "/A-1.jpg");
        QProcessEnvironment env = environment();
        if (!c.iscPassword.isNull())
            env.insert("ISC_PASSWORD", c.iscPassword);
        const Result r = run(QStringList{companies_.serverEntry(), "001"} + c.options, env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_EQ(r.err.contains("visible para otros usuarios"), c.warnsVisible);
        EXPECT_EQ(QFile::exists(imagesDir() + "/A-1.jpg"), c.exitCode == 0);
    }
}

} // namespace
