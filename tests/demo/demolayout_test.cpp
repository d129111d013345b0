#include "data/fb/statement.h"
#include "demo/demolayout.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/win1252.h"
#include "settings/installdir.h"
#include "settings/serverlist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tirelon;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

int photoRows(const QString& databasePath) {
    fb::Connection c;
    c.params().set("Database", databasePath);
    c.params().set("User_Name", "SYSDBA");
    c.params().set("Password", "masterkey");
    auto t = c.startTransaction(fb::Transaction::Kind::ReadOnly);
    fb::Statement s(*t, "SELECT COUNT(*) FROM FOTOS_ARTICULO");
    s.openCursor();
    QVariantList row;
    EXPECT_TRUE(s.fetch(row));
    return row.value(0).toInt();
}

// Points the registry stand-in at a file for the life of the object.
class ScopedRegistryFile {
public:
    explicit ScopedRegistryFile(const QString& path) : old_(qgetenv("TIRELON_REGISTRY")) {
        qputenv("TIRELON_REGISTRY", QFile::encodeName(path));
    }
    ~ScopedRegistryFile() {
        if (old_.isNull())
            qunsetenv("TIRELON_REGISTRY");
        else
            qputenv("TIRELON_REGISTRY", old_);
    }

private:
    QByteArray old_;
};

TEST(RegistryFileText, ReadsBackAsTheSameDirectory) {
    for (const QString& dir : {QStringLiteral("/srv/tirelon"), QStringLiteral("C:\\Tirelon\\ERP\\"),
                               QStringLiteral("/tmp/a \"quoted\" name"),
                               QStringLiteral("/home/josé/demo €"), QStringLiteral("\\\\\"")}) {
        const auto doc = regfile::Document::parse(demo::registryFileText(dir));
        ASSERT_TRUE(doc.has_value()) << dir.toStdString();
        const auto* key =
            doc->findKey(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024"));
        ASSERT_NE(key, nullptr) << dir.toStdString();
        const auto* value = key->value(u"Directorio");
        ASSERT_NE(value, nullptr) << dir.toStdString();
        EXPECT_EQ(value->kind, regfile::ValueKind::String);
        EXPECT_EQ(value->text, dir);
    }
}

TEST(RegistryFileText, StartsWithTheRegeditHeaderAndABlankLine) {
    EXPECT_TRUE(demo::registryFileText("/x").startsWith(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024]\r\n\"Directorio\"=\"/x\"\r\n"));
}

class DemoLayoutTest : public ::testing::Test {
protected:
    QTemporaryDir tmp_;
    // A blank and an accent in the folder name: both must reach the program intact.
    QString folder() const { return tmp_.filePath("mi demo é"); }
};

TEST_F(DemoLayoutTest, TheProgramFindsTheCompanyThroughRegistryAndServerList) {
    const auto layout = demo::layOutDemo(folder());
    EXPECT_EQ(layout.installDir, folder() + "/erp");
    EXPECT_EQ(readFile(layout.serverList), toWin1252(layout.installDir) + "\r\n");

    ScopedRegistryFile registry(layout.registryFile);
    const QString installDir = installationDirectory();
    EXPECT_EQ(installDir, layout.installDir);
    const QStringList servers = loadServerList(installDir);
    ASSERT_EQ(servers, QStringList{layout.installDir});
    // The database path the log-in builds for company 001.
    EXPECT_EQ(servers[0] + "/datos/001/tirelon.fdb", layout.databasePath);
    EXPECT_EQ(photoRows(layout.databasePath), layout.company.photoRows);

    EXPECT_TRUE(QDir(layout.imagesDir).exists());
    EXPECT_TRUE(QDir(layout.imagesDir).isEmpty());
}

TEST_F(DemoLayoutTest, RunningAgainReplacesTheDemoWithAFreshOne) {
    const auto first = demo::layOutDemo(folder());
    QFile stray(first.imagesDir + "/CAM001-1.jpg");
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();

    const auto second = demo::layOutDemo(folder());
    EXPECT_TRUE(QDir(second.imagesDir).isEmpty());
    EXPECT_EQ(photoRows(second.databasePath), first.company.photoRows); // not added twice
    EXPECT_EQ(QDir(second.installDir).entryList(QDir::Files), QStringList{"SERVIDORES.cfg"});
}

TEST_F(DemoLayoutTest, AFolderWithAnInstallationItDidNotMakeIsLeftAlone) {
    ASSERT_TRUE(QDir().mkpath(folder() + "/erp"));
    QFile own(folder() + "/erp/SERVIDORES.cfg");
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("dbhost:/srv/real\r\n");
    own.close();

    EXPECT_THROW(demo::layOutDemo(folder()), Error);
    EXPECT_EQ(readFile(folder() + "/erp/SERVIDORES.cfg"), "dbhost:/srv/real\r\n");
    EXPECT_FALSE(QFile::exists(folder() + "/registry.reg"));
}

TEST_F(DemoLayoutTest, AFolderTheServerListCannotNameIsRefusedBeforeAnythingIsMade) {
    const QString cyrillic = tmp_.filePath(QStringLiteral("демо"));
    EXPECT_THROW(demo::layOutDemo(cyrillic), Error);
    EXPECT_FALSE(QFileInfo::exists(cyrillic));
    const QString tooLong = tmp_.filePath(QString(260, u'x'));
    EXPECT_THROW(demo::layOutDemo(tooLong), Error);
}

} // namespace
