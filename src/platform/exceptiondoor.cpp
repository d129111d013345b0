#include "platform/exceptiondoor.h"

#include <cstdio>

namespace tirelon {

namespace {
ApplicationErrorHandler& installed() {
    static ApplicationErrorHandler handler;
    return handler;
}

void report(QObject* sender, const std::exception& e) noexcept {
    try {
        if (installed())
            installed()(sender, e);
        else
            std::fprintf(stderr, "%s\n", messageOf(e).toLocal8Bit().constData());
    } catch (...) {
        // A failing handler must not take the event loop down with it.
        std::fprintf(stderr, "error handler failed\n");
    }
}
} // namespace

void setApplicationErrorHandler(ApplicationErrorHandler handler) {
    installed() = std::move(handler);
}

void handleApplicationError(QObject* sender, std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
        report(sender, e);
    } catch (...) {
        report(sender, Error(QStringLiteral("Unknown exception")));
    }
}

} // namespace tirelon
