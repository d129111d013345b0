// guiexport: the interactive export, driven without a user. It connects the data module
// to a company, shows the export window "Productos tienda" so that its activation writes
// every photo, then closes the window and ends, as a user pressing "Salir" would.
//
//   guiexport SERVIDOR COMPANIA
//
// The password comes from $ISC_PASSWORD (user $ISC_USER, SYSDBA by default); the
// installation directory from the registry file named by $TIRELON_REGISTRY. Run it
// with QT_QPA_PLATFORM=offscreen. Exit status 0 when no error box was shown.
#include "data/dm.h"
#include "export/muestratienda.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

using namespace tirelon;

namespace {

// Error boxes become lines on standard error, and are counted.
class CountingDialogs : public DialogService {
public:
    explicit CountingDialogs(int& errors) : errors_(errors) {}
    void information(const QString& text) override {
        ++errors_;
        std::fprintf(stderr, "guiexport: %s\n", qPrintable(text));
    }
    void error(const QString& caption, const QString& text) override {
        ++errors_;
        std::fprintf(stderr, "guiexport: %s: %s\n", qPrintable(caption), qPrintable(text));
    }
    void beep() override {}

private:
    int& errors_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: guiexport SERVIDOR COMPANIA\n");
        return 2;
    }
    const QString user = qEnvironmentVariable("ISC_USER", QStringLiteral("SYSDBA"));
    const QString password = qEnvironmentVariable("ISC_PASSWORD");

    int errors = 0;
    Tfdm dm;
    fdm = &dm;
    installDialogService(std::make_unique<CountingDialogs>(errors));

    dm.ConectarCompania(args[1], args[2], user, password);
    if (errors > 0)
        return 1;

    Tfmuestratienda window;
    // The export runs inside the window's first activation; once the record set is open
    // and control is back in the event loop, the export has ended one way or another.
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (window.CArticulo->active() || errors > 0) {
            poll.stop();
            window.PngSpeedButton1Click();
        }
    });
    poll.start();
    window.exec();
    if (errors > 0)
        return 1;
    return 0;
}
