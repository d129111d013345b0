#pragma once

#include "data/fb/connection.h"
#include "demo/companyschema.h"
#include "scratchdb.h"

#include <QTemporaryDir>

#include <memory>

namespace tirelon::test {

// A server folder holding company databases at <folder>/datos/<code>/tirelon.fdb,
// each created with the ERP tables. Embedded, or opened to the loopback server.
class CompanyFolder {
public:
    explicit CompanyFolder(ScratchDatabase::Access access = ScratchDatabase::Access::Embedded);
    // Creates company <code> with the ERP tables and returns its database path.
    QString addCompany(const QString& code);
    // The server entry a user picks: the folder, or "localhost:" + folder.
    QString serverEntry() const;
    QString folder() const { return dir_.path(); }
    // An open connection to company <code>, for filling it.
    std::unique_ptr<fb::Connection> connect(const QString& code) const;
    // Runs statements on company <code>, each committed.
    void execute(const QString& code, const QStringList& statements) const;

private:
    ScratchDatabase::Access access_;
    QTemporaryDir dir_;
};

} // namespace tirelon::test
