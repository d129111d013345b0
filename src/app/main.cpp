// The program: the data module, then the access window as the main window, one
// event loop; at the end the access window goes first, with every window it owns,
// then the data module, which closes the company connection.

#include "data/dm.h"
#include "data/fb/connection.h"
#include "data/fb/database.h"
#include "login/acceso.h"
#include "platform/dialogs.h"
#include "platform/exceptiondoor.h"
#include "widgets/icons.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <memory>

namespace {

// The application object; notify() is the backstop of the exception door for
// anything an event handler let escape.
class Application : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            tirelon::handleApplicationError(receiver, std::current_exception());
            return false;
        }
    }
};

// Message boxes of the running program.
class MessageBoxDialogs : public tirelon::DialogService {
public:
    void information(const QString& text) override {
        QMessageBox::information(QApplication::activeWindow(),
                                 QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
    }
    void error(const QString& caption, const QString& text) override {
        QMessageBox::critical(QApplication::activeWindow(), caption, text, QMessageBox::Ok);
    }
    void beep() override { QApplication::beep(); }
};

// Test hook: with TIRELON_TEST_CLOSE_AFTER_MS set, once that many milliseconds have
// passed the program closes its windows one step at a time, the topmost modal window
// (a message box, the export window) first, until the main window has closed and
// the program ends as if a user had closed them. Unset, nothing of this runs.
void installTestCloseHook(QObject* owner) {
    bool given = false;
    const int delay = qEnvironmentVariableIntValue("TIRELON_TEST_CLOSE_AFTER_MS", &given);
    if (!given)
        return;
    auto* timer = new QTimer(owner);
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, owner, [] {
        QTextStream(stderr) << "test hook: closing windows\n";
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return;
        }
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) {
            if (window->isVisible())
                window->close();
        }
    });
    QTimer::singleShot(std::max(delay, 0), timer, qOverload<>(&QTimer::start));
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit makes a write fail with an error instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);

    Application app(argc, argv);
    app.setWindowIcon(tirelon::icons::exportPhotos());
    tirelon::installDialogService(std::make_unique<MessageBoxDialogs>());
    tirelon::fb::Connection::setBusyHook([](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    });

    auto dataModule = std::make_unique<tirelon::Tfdm>();
    tirelon::fdm = dataModule.get();
    auto access = std::make_unique<tirelon::Tfacceso>();
    tirelon::facceso = access.get();
    access->show();
    installTestCloseHook(&app);

    const int result = app.exec();
    access.reset();
    dataModule.reset();
    tirelon::fb::shutdownClient();
    return result;
}
