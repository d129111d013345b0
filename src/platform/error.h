#pragma once

#include <QString>

#include <exception>

namespace tirelon {

// The one exception type of the program: it carries the text the user is shown
// (after translation by the error handler) exactly as raised.
class Error : public std::exception {
public:
    explicit Error(QString message);
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// Unwinds an operation without any message or log entry (the framework's
// "silent abort"). It never reaches the error handler.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// Message text of any exception: ours, a standard one, or something unknown.
QString messageOf(const std::exception& e);

} // namespace tirelon
