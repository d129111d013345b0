// Feeds arbitrary texts to the short date reader: a date comes back valid, or the
// reader refuses the text with its error; nothing else may happen.
#include "login/datetext.h"
#include "platform/error.h"
#include "platform/win1252.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        tirelon::fromWin1252(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const char* format : {"dd/MM/yyyy", "M/d/yy", "yyyy-MM-dd"}) {
        try {
            if (!tirelon::readShortDate(text, QString::fromLatin1(format), QDate(2026, 12, 10))
                     .isValid())
                __builtin_trap();
        } catch (const tirelon::Error& e) {
            if (!e.message().endsWith(QStringLiteral("' is not a valid date")))
                __builtin_trap();
        }
    }
    return 0;
}
