// Feeds arbitrary message texts to the three rule sets that word errors for the user.
// Every text must give an answer: no crash, no read past the message, no empty answer
// where the message was not empty.
#include "data/errors/errorrules.h"
#include "platform/win1252.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString message =
        tirelon::fromWin1252(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString application = tirelon::applicationRulesText(message);
    if (application.isEmpty())
        __builtin_trap(); // every application answer has a Spanish lead-in
    const QString update = tirelon::updateRulesText(message, message.left(12));
    if (!message.isEmpty() && update.isEmpty())
        __builtin_trap();
    const QStringList names = message.split(QLatin1Char(','));
    const QString record = tirelon::recordRulesText(message, names.mid(0, 3), names.mid(3, 3));
    if (!message.isEmpty() && record.isEmpty())
        __builtin_trap();
    return 0;
}
