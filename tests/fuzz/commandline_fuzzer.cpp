// Feeds arbitrary raw command lines to the splitter and checks what it hands on.
#include "login/commandline.h"
#include "platform/win1252.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line =
        tirelon::fromWin1252(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList parameters = tirelon::splitCommandLine(line);
    qsizetype characters = 0;
    for (const QString& p : parameters) {
        if (p.isEmpty() || p.contains(u'"'))
            __builtin_trap(); // empty parameters take no position; quotes are removed
        characters += p.size();
    }
    if (characters > line.size())
        __builtin_trap();
    return 0;
}
