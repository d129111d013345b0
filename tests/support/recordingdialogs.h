#pragma once

#include "platform/dialogs.h"

#include <QStringList>

namespace tirelon::test {

// Records every box and beep instead of showing them, so no modal box blocks a test.
class RecordingDialogs : public DialogService {
public:
    struct Box {
        QString kind; // "information" or "error"
        QString caption;
        QString text;
    };
    QList<Box> boxes;
    int beeps = 0;

    void information(const QString& text) override { boxes.append({"information", {}, text}); }
    void error(const QString& caption, const QString& text) override {
        boxes.append({"error", caption, text});
    }
    void beep() override { ++beeps; }
};

// Installs a recorder for the lifetime of the guard and puts the old service back.
class ScopedRecordingDialogs {
public:
    ScopedRecordingDialogs() {
        auto owned = std::make_unique<RecordingDialogs>();
        recorder_ = owned.get();
        previous_ = installDialogService(std::move(owned));
    }
    ~ScopedRecordingDialogs() { installDialogService(std::move(previous_)); }
    ScopedRecordingDialogs(const ScopedRecordingDialogs&) = delete;
    ScopedRecordingDialogs& operator=(const ScopedRecordingDialogs&) = delete;
    RecordingDialogs* operator->() const { return recorder_; }
    RecordingDialogs& operator*() const { return *recorder_; }

private:
    RecordingDialogs* recorder_ = nullptr;
    std::unique_ptr<DialogService> previous_;
};

} // namespace tirelon::test
