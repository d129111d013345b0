#pragma once

#include "platform/error.h"

#include <QObject>

#include <exception>
#include <functional>

namespace tirelon {

// The application-wide handler of exceptions that escape an event handler.
// Exceptions never unwind through Qt's frames: every slot and event override runs
// its body through guarded(), which hands what escapes to the installed handler.
using ApplicationErrorHandler = std::function<void(QObject* sender, const std::exception& e)>;

void setApplicationErrorHandler(ApplicationErrorHandler handler);

// Passes an exception to the installed handler (stderr when none is installed);
// silent aborts are dropped. Never throws.
void handleApplicationError(QObject* sender, std::exception_ptr error) noexcept;

template <typename Body> void guarded(QObject* sender, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        handleApplicationError(sender, std::current_exception());
    }
}

} // namespace tirelon
