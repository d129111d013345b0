#pragma once

// The one place that includes Firebird's OO API header.
#include <firebird/Interface.h>

#include "data/fb/dberror.h"

namespace tirelon::fb {

Firebird::IMaster* master();
Firebird::IUtil* util();

// A status object for one call; check() turns a failure into a DbError whose text
// is the server part alone ("SQL Server Error: " + Firebird's message).
class Status {
public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* get() { return &wrapper_; }
    operator Firebird::CheckStatusWrapper*() { return &wrapper_; }
    bool failed() const;
    void check();
    // The failure as a DbError without throwing; clientPart may be empty.
    DbError error(const QString& clientPart = {}) const;

private:
    Firebird::IStatus* status_;
    Firebird::CheckStatusWrapper wrapper_;
};

} // namespace tirelon::fb
