#include "data/fb/dberror.h"

namespace tirelon::fb {

DbError::DbError(QString clientPart, QString serverPart, long errorCode, QString sqlState)
    : Error(compose(clientPart, serverPart, errorCode)), clientPart_(std::move(clientPart)),
      serverPart_(std::move(serverPart)), errorCode_(errorCode), sqlState_(std::move(sqlState)) {}

QString DbError::serverMessage() const {
    return serverPart_.startsWith(serverPrefix()) ? serverPart_.mid(serverPrefix().size())
                                                  : serverPart_;
}

QString DbError::compose(const QString& client, const QString& server, long code) {
    if (!client.isEmpty() && !server.isEmpty())
        return client + QStringLiteral("\r\n") + server;
    if (!client.isEmpty())
        return client;
    if (!server.isEmpty())
        return server;
    return QStringLiteral("dbExpress Error: Unknown Error Code '%1'").arg(code);
}

} // namespace tirelon::fb
