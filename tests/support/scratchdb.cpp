#include "scratchdb.h"

#include "data/fb/database.h"
#include "data/fb/statement.h"

#include <QFile>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tirelon::test {

namespace {
// Stops the embedded engine's threads when the test process ends, so that nothing of
// the engine still runs while the leak checker looks at the process.
struct ClientShutdownAtExit {
    ~ClientShutdownAtExit() { fb::shutdownClient(); }
} clientShutdownAtExit;
} // namespace

QString serverPassword() {
    const QByteArray fromEnv = qgetenv("TIRELON_TEST_SERVER_PASSWORD");
    return fromEnv.isEmpty() ? QStringLiteral("masterkey") : QString::fromUtf8(fromEnv);
}

bool serverAvailable() {
    static const bool available = [] {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), 3050);
        return socket.waitForConnected(2000);
    }();
    return available;
}

ScratchDatabase::ScratchDatabase(Access access, const QString& fileName) : access_(access) {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    path_ = dir_.filePath(fileName);
    if (access_ == Access::Server) {
        // The server runs as its own user: it must be able to enter and write here.
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0777);
    }
    fb::createDatabase(databaseParameter(), QStringLiteral("SYSDBA"), serverPassword());
}

ScratchDatabase::~ScratchDatabase() = default;

QString ScratchDatabase::databaseParameter() const {
    return access_ == Access::Server ? QStringLiteral("localhost:") + path_ : path_;
}

std::unique_ptr<fb::Connection> ScratchDatabase::connection() const {
    auto c = std::make_unique<fb::Connection>();
    c->params().set("Database", databaseParameter());
    c->params().set("User_Name", "SYSDBA");
    c->params().set("Password", serverPassword());
    c->params().set("SQLDialect", "3");
    return c;
}

void ScratchDatabase::execute(const QStringList& statements) {
    auto c = connection();
    for (const QString& sql : statements) {
        auto t = c->startTransaction(fb::Transaction::Kind::ReadWrite);
        {
            fb::Statement s(*t, sql);
            s.execute();
        }
        t->commit();
    }
    c->close();
}

} // namespace tirelon::test
