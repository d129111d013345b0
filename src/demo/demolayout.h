#pragma once

#include "demo/companyschema.h"

#include <QByteArray>
#include <QString>

namespace tirelon::demo {

// The registry key under HKEY_LOCAL_MACHINE that names the ERP installation directory.
inline constexpr char kInstallKey[] = "Software\\Dravik\\TirelonERP2024";

// text as a quoted regedit string: backslashes and quotes escaped, in quotes.
QString regeditQuoted(const QString& text);

// A regedit export (version 5 header, UTF-8) holding one key with the value
// "Directorio" = installDir.
QByteArray registryFileText(const QString& installDir);

// Where a demo installation lives below its folder.
struct DemoLayout {
    QString folder;             // absolute, cleaned
    QString installDir;         // folder + "/erp", also the one server entry
    QString serverList;         // installDir + "/SERVIDORES.cfg"
    QString imagesDir;          // installDir + "/IMAGENES"
    QString databasePath;       // installDir + "/datos/001/tirelon.fdb"
    QString registryFile;       // folder + "/registry.reg"
    DemoCompanySummary company; // filled in by layOutDemo
};

DemoLayout demoLayout(const QString& folder);

// Lays out a demo ERP installation below folder (created if needed): the installation
// directory with SERVIDORES.cfg, an empty IMAGENES and the demo company 001, and the
// registry file that points at it. A folder laid out before is replaced as a whole; a
// folder holding an "erp" or registry file that this setup did not make is left alone
// and an Error is thrown. Needs a QGuiApplication (the photos are drawn).
DemoLayout layOutDemo(const QString& folder);

} // namespace tirelon::demo
