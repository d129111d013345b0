#include "platform/error.h"

namespace tirelon {

Error::Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

QString messageOf(const std::exception& e) {
    if (auto* own = dynamic_cast<const Error*>(&e))
        return own->message();
    return QString::fromLocal8Bit(e.what());
}

} // namespace tirelon
