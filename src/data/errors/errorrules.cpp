#include "data/errors/errorrules.h"

namespace tirelon {

namespace {

constexpr QChar kQuote = u'"';

// The text between the first and the second double quote at or after `from`;
// empty when fewer than two follow.
QString quotedAfter(const QString& text, qsizetype from) {
    const qsizetype open = text.indexOf(kQuote, from);
    if (open < 0)
        return {};
    const qsizetype close = text.indexOf(kQuote, open + 1);
    if (close < 0)
        return {};
    return text.mid(open + 1, close - open - 1);
}

bool holdsLineBreak(const QString& text, qsizetype from, qsizetype to) {
    for (qsizetype i = from; i < to; ++i)
        if (text.at(i) == u'\n' || text.at(i) == u'\r')
            return true;
    return false;
}

// Firebird 3 and later report a database file that cannot be opened as
//   I/O error during "open" operation for file "<path>"
// where the first quoted word names the operation and the path follows
// "operation for file". Returns the position just after "operation for file"
// when some line of the message has that shape, otherwise -1.
qsizetype ioErrorDuringOperationEnd(const QString& message) {
    static const QString kDuring = QStringLiteral("I/O error during");
    static const QString kForFile = QStringLiteral("operation for file");
    qsizetype from = 0;
    while (true) {
        const qsizetype during = message.indexOf(kDuring, from);
        if (during < 0)
            return -1;
        const qsizetype start = during + kDuring.size();
        const qsizetype forFile = message.indexOf(kForFile, start);
        if (forFile < 0)
            return -1;
        if (!holdsLineBreak(message, start, forFile))
            return forFile + kForFile.size();
        from = start;
    }
}

QString unknownErrorText(const QString& message) {
    return QStringLiteral("Se presento el siguiente error: ") + message;
}

} // namespace

QString applicationRulesText(const QString& message) {
    if (!message.startsWith(QStringLiteral("dbExpress")))
        return unknownErrorText(message);

    if (message.contains(QStringLiteral("Your user name and password are not defined")))
        return QStringLiteral("El nombre de Usuario o la clave son incorrectas.");

    static const QString kMissingFile = QStringLiteral("No se encontró el archivo o la ruta ");
    if (message.contains(QStringLiteral("I/O error for file")))
        return kMissingFile + quotedAfter(message, 0);
    if (const qsizetype pathFrom = ioErrorDuringOperationEnd(message); pathFrom >= 0)
        return kMissingFile + quotedAfter(message, pathFrom);

    if (message.contains(QStringLiteral("Unable to complete network request")))
        return QStringLiteral("No se encontró el equipo servidor con nombre ") +
               quotedAfter(message, 0);

    if (message.contains(QStringLiteral("Connection failed")))
        return QStringLiteral("No se encontró el servidor Interbase/Firebird. Verifique "
                              "Servidor en panel de control y puerto TCP 3050.");

    return unknownErrorText(message);
}

QString updateRulesText(const QString& message, const QString& sourceComponentName) {
    // "SQL Server Error: " takes the first 18 characters, so the server's own
    // message starts at the 19th.
    const QString serverStart = message.mid(18, 20);
    const QString table = sourceComponentName.mid(1);
    if (serverStart == QStringLiteral("violation of PRIMARY"))
        return QStringLiteral("Ya existe el registro en la tabla ") + table;
    if (serverStart == QStringLiteral("violation of FOREIGN"))
        return QStringLiteral("Está borrando o insertando un registro en la tabla ") + table +
               QStringLiteral(" que tiene una relación con otra tabla.");
    return message;
}

QString recordRulesText(const QString& message, const QStringList& requiredFieldsWithoutValue,
                        const QStringList& currentIndexFields) {
    QString text = message;
    if (message.startsWith(QStringLiteral("Cannot delete master record wi")))
        text = QStringLiteral("Error. Borre antes los detalles dependientes del registro.");

    // The tests below look at the message as raised, not at the text so far.
    if (message.startsWith(QStringLiteral("Fie"))) {
        text = QStringLiteral("Los campos ");
        for (const QString& name : requiredFieldsWithoutValue)
            text += name + QStringLiteral(", ");
        text += QStringLiteral(" son obligatorios.");
    } else if (message.startsWith(QStringLiteral("key"))) {
        text = QStringLiteral("Ya existe un registro con el mismo ");
        for (const QString& name : currentIndexFields)
            text += name + u' ';
    }
    return text;
}

} // namespace tirelon
