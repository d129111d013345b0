#include "platform/dialogs.h"

#include <cstdio>

namespace tirelon {

namespace {
std::unique_ptr<DialogService>& current() {
    static std::unique_ptr<DialogService> service = std::make_unique<StderrDialogService>();
    return service;
}
} // namespace

DialogService& dialogs() {
    return *current();
}

std::unique_ptr<DialogService> installDialogService(std::unique_ptr<DialogService> service) {
    std::swap(current(), service);
    return service;
}

void StderrDialogService::information(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void StderrDialogService::error(const QString& caption, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
}

} // namespace tirelon
