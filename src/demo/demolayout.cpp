#include "demo/demolayout.h"

#include "platform/error.h"
#include "platform/win1252.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace tirelon::demo {

namespace {

// Marks a folder as laid out by this setup, so that a later run may replace it.
constexpr char kMarkerName[] = ".tirelon-demo";

// The server list holds at most this many characters per entry.
constexpr qsizetype kMaxServerEntry = 255;

void writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

void makePath(const QString& path) {
    if (!QDir().mkpath(path))
        throw Error(QStringLiteral("Cannot create the folder %1").arg(path));
}

} // namespace

QString regeditQuoted(const QString& text) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            quoted.append(u'\\');
        quoted.append(c);
    }
    quoted.append(u'"');
    return quoted;
}

QByteArray registryFileText(const QString& installDir) {
    const QString text =
        QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\") +
        QLatin1String(kInstallKey) + QStringLiteral("]\r\n\"Directorio\"=") +
        regeditQuoted(installDir) + QStringLiteral("\r\n");
    return text.toUtf8();
}

DemoLayout demoLayout(const QString& folder) {
    DemoLayout layout;
    layout.folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    layout.installDir = layout.folder + QStringLiteral("/erp");
    layout.serverList = layout.installDir + QStringLiteral("/SERVIDORES.cfg");
    layout.imagesDir = layout.installDir + QStringLiteral("/IMAGENES");
    layout.databasePath = layout.installDir + QStringLiteral("/datos/001/tirelon.fdb");
    layout.registryFile = layout.folder + QStringLiteral("/registry.reg");
    return layout;
}

DemoLayout layOutDemo(const QString& folder) {
    DemoLayout layout = demoLayout(folder);

    // The server entry goes into SERVIDORES.cfg as Windows-1252 bytes and is read back
    // the same way; a path that cannot make that round trip would name another folder.
    const QByteArray entry = toWin1252(layout.installDir);
    if (fromWin1252(entry) != layout.installDir)
        throw Error(QStringLiteral("The folder %1 has characters that SERVIDORES.cfg cannot hold")
                        .arg(layout.installDir));
    if (layout.installDir.size() > kMaxServerEntry)
        throw Error(QStringLiteral("The folder %1 is longer than a server entry may be (%2)")
                        .arg(layout.installDir)
                        .arg(kMaxServerEntry));

    makePath(layout.folder);
    const QString marker = layout.folder + QLatin1Char('/') + QLatin1String(kMarkerName);
    if (!QFileInfo::exists(marker) &&
        (QFileInfo::exists(layout.installDir) || QFileInfo::exists(layout.registryFile)))
        throw Error(QStringLiteral("%1 already holds an ERP installation that this setup did not "
                                   "make; choose another folder")
                        .arg(layout.folder));
    writeFile(marker,
              QByteArrayLiteral("Demo ERP installation; tirelon-demo-setup may replace it.\n"));

    if (QFileInfo::exists(layout.installDir) && !QDir(layout.installDir).removeRecursively())
        throw Error(QStringLiteral("Cannot remove the previous demo in %1").arg(layout.installDir));
    if (QFileInfo::exists(layout.registryFile) && !QFile::remove(layout.registryFile))
        throw Error(QStringLiteral("Cannot remove %1").arg(layout.registryFile));

    makePath(layout.imagesDir);
    makePath(QFileInfo(layout.databasePath).path());
    writeFile(layout.serverList, entry + "\r\n");
    layout.company = createDemoCompany(layout.databasePath);
    // Written last: the registry file only points at a complete installation.
    writeFile(layout.registryFile, registryFileText(layout.installDir));
    return layout;
}

} // namespace tirelon::demo
