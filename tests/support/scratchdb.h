#pragma once

#include "data/fb/connection.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace tirelon::test {

// A database file of its own for one test, in a temporary folder that is removed
// with it (also when the test fails). Embedded by default; through the loopback
// server when asked for (the folder is then opened to the server's user).
class ScratchDatabase {
public:
    enum class Access { Embedded, Server };
    explicit ScratchDatabase(Access access = Access::Embedded,
                             const QString& fileName = "test.fdb");
    ~ScratchDatabase();

    // The path a connection's Database parameter takes: a local path, or
    // "localhost:" + path for the server.
    QString databaseParameter() const;
    QString filePath() const { return path_; }
    QString folder() const { return dir_.path(); }

    // Runs statements in one transaction each, committed.
    void execute(const QStringList& statements);
    void execute(const QString& statement) { execute(QStringList{statement}); }
    // A connection with Database, User_Name and Password set, not yet open.
    std::unique_ptr<fb::Connection> connection() const;

private:
    Access access_;
    QTemporaryDir dir_;
    QString path_;
};

// Loopback server details; serverAvailable() is false when nothing listens on
// 127.0.0.1:3050. Tests that need the server call requireServer() first.
QString serverPassword();
bool serverAvailable();

// Skips the current test when no server runs, or fails it when the environment
// says one must (CI sets TIRELON_REQUIRE_SERVER=1).
#define TIRELON_REQUIRE_SERVER()                                                                   \
    do {                                                                                           \
        if (!::tirelon::test::serverAvailable()) {                                                 \
            if (qEnvironmentVariableIntValue("TIRELON_REQUIRE_SERVER"))                            \
                FAIL() << "no Firebird server on 127.0.0.1:3050";                                  \
            GTEST_SKIP() << "no Firebird server on 127.0.0.1:3050";                                \
        }                                                                                          \
    } while (0)

} // namespace tirelon::test
