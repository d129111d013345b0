#pragma once

#include "platform/error.h"

namespace tirelon::fb {

// A failure of the database client. Its text joins a client part
// ("dbExpress Error: ...") and a server part ("SQL Server Error: " + the server's
// own message) with CR LF, as the error rules expect; programs read the primary
// error code and the SQLSTATE instead of parsing the text.
class DbError : public Error {
public:
    DbError(QString clientPart, QString serverPart, long errorCode = 0, QString sqlState = {});

    const QString& clientPart() const { return clientPart_; }
    const QString& serverPart() const { return serverPart_; }
    // The server's message without the "SQL Server Error: " prefix.
    QString serverMessage() const;
    long errorCode() const { return errorCode_; }
    const QString& sqlState() const { return sqlState_; }

    static QString serverPrefix() { return QStringLiteral("SQL Server Error: "); }
    static QString connectFailedClientPart() {
        return QStringLiteral("dbExpress Error: [0x0015]: Connection failed");
    }

private:
    static QString compose(const QString& client, const QString& server, long code);
    QString clientPart_;
    QString serverPart_;
    long errorCode_;
    QString sqlState_;
};

} // namespace tirelon::fb
