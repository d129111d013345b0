#include "data/fb/fbapi.h"

#include "platform/win1252.h"

#include <ibase.h>

#include <array>

namespace tirelon::fb {

Firebird::IMaster* master() {
    static Firebird::IMaster* instance = Firebird::fb_get_master_interface();
    return instance;
}

Firebird::IUtil* util() {
    return master()->getUtilInterface();
}

Status::Status() : status_(master()->getStatus()), wrapper_(status_) {}

Status::~Status() {
    status_->dispose();
}

bool Status::failed() const {
    return (const_cast<Firebird::CheckStatusWrapper&>(wrapper_).getState() &
            Firebird::IStatus::STATE_ERRORS) != 0;
}

void Status::check() {
    if (failed())
        throw error();
}

DbError Status::error(const QString& clientPart) const {
    auto* wrapper = const_cast<Firebird::CheckStatusWrapper*>(&wrapper_);
    std::array<char, 4096> text{};
    const unsigned length = util()->formatStatus(text.data(), text.size() - 1, wrapper);
    QString message = fromWin1252(text.data(), static_cast<qsizetype>(length));
    while (message.endsWith(QLatin1Char('\n')))
        message.chop(1);

    const ISC_STATUS* vector = wrapper->getErrors();
    long code = 0;
    if (vector && vector[0] == isc_arg_gds)
        code = static_cast<long>(vector[1]);
    std::array<char, 6> state{};
    fb_sqlstate(state.data(), vector);
    return DbError(clientPart, DbError::serverPrefix() + message, code,
                   QString::fromLatin1(state.data()));
}

} // namespace tirelon::fb
