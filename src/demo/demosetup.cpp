// tirelon-demo-setup [folder]: lays out a demo ERP installation (default ./demo) with
// one company whose articles have photos, for trying the program without an ERP.
#include "demo/demolayout.h"
#include "platform/error.h"

#include <QGuiApplication>
#include <QTextStream>

#include <exception>

int main(int argc, char** argv) {
    // The photos are drawn with fonts, which need a GUI application but no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = app.arguments();
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(QLatin1Char('-')))) {
        err << "usage: tirelon-demo-setup [folder]   (default: ./demo)\n";
        return 2;
    }
    const QString folder = args.size() == 2 ? args[1] : QStringLiteral("demo");

    try {
        const auto layout = tirelon::demo::layOutDemo(folder);
        const auto& summary = layout.company;
        out << "Demo ERP installation in " << layout.folder << "\n"
            << "  installation directory  " << layout.installDir << "\n"
            << "  server list             " << layout.serverList
            << " (one entry: " << layout.installDir << ")\n"
            << "  photo folder (empty)    " << layout.imagesDir << "\n"
            << "  company 001             " << layout.databasePath << "\n"
            << "                          " << summary.articles << " articles, "
            << summary.photoRows << " photo rows (" << summary.nullPhotos
            << " without an image), one store settings row\n"
            << "  registry stand-in       " << layout.registryFile << "\n"
            << "Log in with user SYSDBA, password masterkey, company 001.\n";
        return 0;
    } catch (const std::exception& e) {
        err << "tirelon-demo-setup: " << tirelon::messageOf(e) << "\n";
        return 1;
    }
}
