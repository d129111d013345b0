#include "data/errors/errorlog.h"

#include "errorlogreader.h"
#include "platform/win1252.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tirelon::appendErrorLog;
using tirelon::errorLogPath;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The date and time items of an entry as the user's regional settings print them.
QByteArray stamp(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    return tirelon::toWin1252(locale.toString(when.date(), QLocale::ShortFormat) + u',' +
                              locale.toString(when, locale.timeFormat(QLocale::LongFormat)));
}

const QDateTime kMoment(QDate(2024, 3, 7), QTime(9, 5, 4));

class ErrorLog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        tirelon::clearSecrets();
    }
    void TearDown() override { tirelon::clearSecrets(); }

    QString logPath() const { return dir.path() + QStringLiteral("/ERRORES.TXT"); }

    QTemporaryDir dir;
};

// Restores the working directory when the test ends, even on failure.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const QString& path) : previous_(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~WorkingDirectory() { QDir::setCurrent(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    QString previous_;
};

} // namespace

TEST(ErrorLogPath, IsTheWorkingDirectoryFileOrTheFileInTheLogFolder) {
    EXPECT_EQ(errorLogPath(QString()), QStringLiteral("ERRORES.TXT"));
    EXPECT_EQ(errorLogPath(QStringLiteral("/var/log/erp")),
              QStringLiteral("/var/log/erp/ERRORES.TXT"));
}

TEST_F(ErrorLog, CreatesTheFileWithTheEntryAsItsFirstLine) {
    appendErrorLog(dir.path(), QString(), QStringLiteral("Se perdió la conexión"), kMoment);

    EXPECT_EQ(readAll(logPath()), stamp(kMoment) + ",,Se perdi\xf3 la conexi\xf3n\r\n");
}

TEST_F(ErrorLog, AppendsOneLinePerCallToAnExistingLog) {
    writeFile(logPath(), "old entry\r\n");
    const QDateTime later = kMoment.addSecs(61);

    appendErrorLog(dir.path(), QStringLiteral("tag"), QStringLiteral("first"), kMoment);
    appendErrorLog(dir.path(), QStringLiteral("tag"), QStringLiteral("second"), later);

    EXPECT_EQ(readAll(logPath()), "old entry\r\n" + stamp(kMoment) + ",tag,first\r\n" +
                                      stamp(later) + ",tag,second\r\n");
}

TEST_F(ErrorLog, EmptyLogFolderWritesIntoTheWorkingDirectory) {
    WorkingDirectory inTemp(dir.path());

    appendErrorLog(QString(), QString(), QStringLiteral("boom"), kMoment);

    EXPECT_EQ(readAll(logPath()), stamp(kMoment) + ",,boom\r\n");
}

TEST_F(ErrorLog, WritesCommasAndLineBreaksOfTheMessageUnchanged) {
    const QString message = QStringLiteral("dbExpress Error: [0x0015]: Connection failed\r\nSQL "
                                           "Server Error: a, b,\nc");

    appendErrorLog(dir.path(), QString(), message, kMoment);

    EXPECT_EQ(readAll(logPath()), stamp(kMoment) + ",," + message.toLatin1() + "\r\n");
}

TEST_F(ErrorLog, WritesWindows1252Bytes) {
    appendErrorLog(dir.path(), QString(), QStringLiteral("Año 5 €"), kMoment);

    const QByteArray bytes = readAll(logPath());
    EXPECT_TRUE(bytes.endsWith(",,A\xf1o 5 \x80\r\n")) << bytes.toHex(' ').constData();
}

TEST_F(ErrorLog, LosesTheEntrySilentlyWhereNoFileCanBeWritten) {
    // A regular file where the log folder should be: nothing can be created below it.
    const QString notAFolder = dir.path() + QStringLiteral("/plain");
    writeFile(notAFolder, "x");
    // A folder where the log file should be.
    const QString folderAsLog = dir.path() + QStringLiteral("/nested");
    ASSERT_TRUE(QDir(folderAsLog).mkpath(QStringLiteral("ERRORES.TXT")));

    for (const QString& dirlog :
         {notAFolder, dir.path() + QStringLiteral("/missing/folder"), folderAsLog}) {
        SCOPED_TRACE(dirlog.toStdString());
        EXPECT_NO_THROW(appendErrorLog(dirlog, QString(), QStringLiteral("lost"), kMoment));
        EXPECT_FALSE(QFileInfo(errorLogPath(dirlog)).isFile());
    }
    EXPECT_EQ(readAll(notAFolder), "x");
}

TEST_F(ErrorLog, MasksRegisteredSecrets) {
    tirelon::registerSecret(QStringLiteral("s3cr3t"));
    tirelon::registerSecret(QString()); // an empty secret masks nothing

    appendErrorLog(dir.path(), QString(),
                   QStringLiteral("Password=s3cr3t;User_Name=SYSDBA;again s3cr3t."), kMoment);

    const QByteArray bytes = readAll(logPath());
    EXPECT_FALSE(bytes.contains("s3cr3t"));
    EXPECT_TRUE(bytes.endsWith(",,Password=********;User_Name=SYSDBA;again ********.\r\n"))
        << bytes.constData();
}

TEST_F(ErrorLog, MasksOverlappingSecretsWhole) {
    // Masking one secret must not leave the rest of another one that overlaps it.
    tirelon::registerSecret(QStringLiteral("abcd"));
    tirelon::registerSecret(QStringLiteral("cdef"));
    tirelon::registerSecret(QStringLiteral("ab"));

    appendErrorLog(dir.path(), QString(), QStringLiteral("x abcdef y cdefab z"), kMoment);

    const QByteArray bytes = readAll(logPath());
    EXPECT_TRUE(bytes.endsWith(",,x ******** y ******** z\r\n")) << bytes.constData();
}

TEST_F(ErrorLog, ClearedSecretsAreWrittenAgain) {
    tirelon::registerSecret(QStringLiteral("masterkey"));
    tirelon::clearSecrets();

    appendErrorLog(dir.path(), QString(), QStringLiteral("masterkey"), kMoment);

    EXPECT_TRUE(readAll(logPath()).endsWith(",,masterkey\r\n"));
}

// Other tests count and match the log through the shared reader, so it must see what
// the writer wrote: Windows-1252 texts, and an entry whose message spans lines counted
// once, with lines of earlier days left out of today's entries.
TEST_F(ErrorLog, TheTestsReaderSeesTheEntriesAsWritten) {
    writeFile(logPath(), "01/01/1999,10:00:00,,old entry\r\n");
    const QDateTime today(QDate::currentDate(), QTime(12, 0, 0));
    const QString when = QString::fromLatin1(stamp(today));

    appendErrorLog(dir.path(), QString(), QStringLiteral("Año 5 €"), today);
    appendErrorLog(dir.path(), QStringLiteral("tag"), QStringLiteral("first\r\nsecond"), today);

    EXPECT_EQ(tirelon::test::errorLogLines(dir.path()),
              QStringList({"01/01/1999,10:00:00,,old entry", when + QStringLiteral(",,Año 5 €"),
                           when + ",tag,first", "second"}));
    EXPECT_EQ(tirelon::test::errorLogEntries(dir.path()),
              QStringList({when + QStringLiteral(",,Año 5 €"), when + ",tag,first"}));
    EXPECT_TRUE(tirelon::test::errorLogLines(dir.path() + "/missing").isEmpty());
}
