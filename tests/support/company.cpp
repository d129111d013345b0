#include "company.h"

#include "data/fb/database.h"
#include "data/fb/statement.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace tirelon::test {

CompanyFolder::CompanyFolder(ScratchDatabase::Access access) : access_(access) {
    if (access_ == ScratchDatabase::Access::Server)
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0777);
}

QString CompanyFolder::serverEntry() const {
    return access_ == ScratchDatabase::Access::Server ? "localhost:" + dir_.path() : dir_.path();
}

QString CompanyFolder::addCompany(const QString& code) {
    const QString folder = dir_.path() + "/datos/" + code;
    QDir().mkpath(folder);
    if (access_ == ScratchDatabase::Access::Server) {
        ::chmod(QFile::encodeName(dir_.path() + "/datos").constData(), 0777);
        ::chmod(QFile::encodeName(folder).constData(), 0777);
    }
    const QString path = serverEntry() + "/datos/" + code + "/tirelon.fdb";
    fb::createDatabase(path, "SYSDBA", serverPassword());
    auto c = connect(code);
    demo::createCompanySchema(*c);
    c->close();
    return path;
}

std::unique_ptr<fb::Connection> CompanyFolder::connect(const QString& code) const {
    auto c = std::make_unique<fb::Connection>();
    c->params().set("Database", serverEntry() + "/datos/" + code + "/tirelon.fdb");
    c->params().set("User_Name", "SYSDBA");
    c->params().set("Password", serverPassword());
    c->open();
    return c;
}

void CompanyFolder::execute(const QString& code, const QStringList& statements) const {
    auto c = connect(code);
    for (const QString& sql : statements) {
        auto t = c->startTransaction(fb::Transaction::Kind::ReadWrite);
        fb::Statement(*t, sql).execute();
        t->commit();
    }
}

} // namespace tirelon::test
