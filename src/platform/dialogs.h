#pragma once

#include <QString>

#include <memory>

namespace tirelon {

// Message boxes and the beep, behind one interface so that the data and
// settings layers never touch widgets. The GUI installs a QMessageBox backend;
// tests install a recorder; without either, messages go to standard error.
class DialogService {
public:
    virtual ~DialogService() = default;
    // A box with one OK button and the given text; returns once dismissed.
    virtual void information(const QString& text) = 0;
    // A box with the error symbol, the caption and one OK button.
    virtual void error(const QString& caption, const QString& text) = 0;
    virtual void beep() = 0;
};

DialogService& dialogs();
// Replaces the service; returns the previous one so a test can put it back.
std::unique_ptr<DialogService> installDialogService(std::unique_ptr<DialogService> service);

// Writes every message to standard error; beeps are dropped.
class StderrDialogService : public DialogService {
public:
    void information(const QString& text) override;
    void error(const QString& caption, const QString& text) override;
    void beep() override {}
};

} // namespace tirelon
