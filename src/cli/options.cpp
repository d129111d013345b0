#include "cli/options.h"

#include <QCommandLineParser>
#include <QFile>

namespace tirelon::cli {

namespace {

ParseResult usage(const QString& error) {
    ParseResult result;
    result.action = ParseResult::Action::Usage;
    result.error = error;
    return result;
}

// The first line of the file, without its line end.
bool readPasswordFile(const QString& path, QString& password) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray line = file.readLine();
    if (file.error() != QFileDevice::NoError)
        return false;
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    password = QString::fromLocal8Bit(line);
    return true;
}

} // namespace

ParseResult parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption server(QStringList{"s", "servidor"}, {}, "SERVIDOR");
    const QCommandLineOption company(QStringList{"c", "compania"}, {}, "COMPANIA");
    const QCommandLineOption user(QStringList{"u", "usuario"}, {}, "USUARIO");
    const QCommandLineOption passwordFile("clave-archivo", {}, "ARCHIVO");
    const QCommandLineOption password(QStringList{"p", "clave"}, {}, "CLAVE");
    const QCommandLineOption list("list");
    const QCommandLineOption quiet(QStringList{"q", "quiet"});
    const QCommandLineOption onlyChanges("solo-cambios");
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version(QStringList{"V", "version"});
    parser.addOptions(
        {server, company, user, passwordFile, password, list, quiet, onlyChanges, help, version});

    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            return usage(QString::fromUtf8("opción desconocida: %1")
                             .arg(parser.unknownOptionNames().constFirst()));
        return usage(QString::fromUtf8("falta el valor de una opción"));
    }
    if (parser.isSet(help)) {
        ParseResult result;
        result.action = ParseResult::Action::Help;
        return result;
    }
    if (parser.isSet(version)) {
        ParseResult result;
        result.action = ParseResult::Action::Version;
        return result;
    }

    Options o;
    const QStringList positional = parser.positionalArguments();
    const bool byOption = parser.isSet(server) || parser.isSet(company);
    if (byOption && !positional.isEmpty())
        return usage(QString::fromUtf8(
            "dé SERVIDOR y COMPANIA como argumentos o con -s y -c, no de las dos formas"));
    if (byOption) {
        o.server = parser.value(server);
        o.company = parser.value(company);
    } else if (positional.size() > 2) {
        return usage(QString::fromUtf8("sobran argumentos: %1").arg(positional.mid(2).join(' ')));
    } else {
        o.server = positional.value(0);
        o.company = positional.value(1);
    }
    if (o.server.isEmpty())
        return usage(QString::fromUtf8("falta el SERVIDOR"));
    if (o.company.isEmpty())
        return usage(QString::fromUtf8("falta la COMPANIA"));

    if (parser.isSet(user))
        o.user = parser.value(user);
    else if (qEnvironmentVariableIsSet("ISC_USER"))
        o.user = qEnvironmentVariable("ISC_USER");
    else
        o.user = QStringLiteral("SYSDBA");

    if (parser.isSet(passwordFile) && parser.isSet(password))
        return usage(QString::fromUtf8("use --clave-archivo o --clave, no los dos"));
    if (parser.isSet(passwordFile)) {
        const QString path = parser.value(passwordFile);
        if (!readPasswordFile(path, o.password))
            return usage(QString::fromUtf8("no se pudo leer el archivo de clave %1").arg(path));
    } else if (parser.isSet(password)) {
        o.password = parser.value(password);
        o.passwordOnCommandLine = true;
    } else {
        o.password = qEnvironmentVariable("ISC_PASSWORD");
    }

    o.list = parser.isSet(list);
    o.quiet = parser.isSet(quiet);
    o.onlyChanges = parser.isSet(onlyChanges);

    ParseResult result;
    result.action = ParseResult::Action::Run;
    result.options = o;
    return result;
}

QString helpText() {
    return QString::fromUtf8(
        "Uso: exportar-imagenes-cli [opciones] SERVIDOR COMPANIA\n"
        "     exportar-imagenes-cli [opciones] -s SERVIDOR -c COMPANIA\n"
        "\n"
        "Exporta cada foto de artículo de la base de datos de la compañía a un archivo\n"
        "propio en la carpeta IMAGENES del directorio de instalación del ERP, sin\n"
        "ventanas ni preguntas. La base de datos es SERVIDOR/datos/COMPANIA/tirelon.fdb;\n"
        "SERVIDOR es una entrada de SERVIDORES.cfg: una carpeta local o un servidor\n"
        "Firebird como localhost:/srv/tirelon.\n"
        "\n"
        "Opciones:\n"
        "  -s, --servidor SERVIDOR    entrada de servidor (en lugar del primer argumento)\n"
        "  -c, --compania COMPANIA    código de compañía (en lugar del segundo argumento)\n"
        "  -u, --usuario USUARIO      usuario de la base de datos\n"
        "                             (por omisión $ISC_USER, si no SYSDBA)\n"
        "      --clave-archivo ARCHIVO  lee la clave de la primera línea de ARCHIVO\n"
        "  -p, --clave CLAVE          clave en la línea de órdenes; otros usuarios del\n"
        "                             equipo pueden verla: mejor $ISC_PASSWORD o\n"
        "                             --clave-archivo\n"
        "      --list                 escribe las filas en la salida estándar, separadas\n"
        "                             por tabuladores: código, descripción, item y\n"
        "                             si/no (si se escribió su foto)\n"
        "      --solo-cambios         no reescribe una foto cuyo archivo ya tiene\n"
        "                             exactamente los mismos bytes\n"
        "  -q, --quiet                sin progreso ni resumen\n"
        "  -h, --help                 muestra esta ayuda\n"
        "  -V, --version              muestra la versión\n"
        "\n"
        "Sin --clave-archivo ni --clave la clave es la de $ISC_PASSWORD.\n"
        "El progreso y el resumen van a la salida de errores. Un error se muestra como\n"
        "\"Error: <texto>\" y se anota en ERRORES.TXT del directorio actual.\n"
        "\n"
        "Códigos de salida:\n"
        "  0  se escribieron todas las fotos\n"
        "  1  otro error\n"
        "  2  uso incorrecto\n"
        "  3  fallo al iniciar sesión o al conectar con la base de datos\n"
        "  4  falló la consulta de las fotos\n"
        "  5  no se pudo escribir un archivo de foto (la exportación se detiene ahí)\n");
}

} // namespace tirelon::cli
