// Feeds arbitrary bytes to the server list reader and checks the shape of its entries.
#include "settings/serverlist.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList entries = tirelon::parseServerList(bytes);
    if (entries.size() > bytes.size())
        __builtin_trap();
    for (const QString& entry : entries) {
        if (entry.size() > 255 || entry.contains(u'\r') || entry.contains(u'\n') ||
            entry.contains(QChar(u'\0')))
            __builtin_trap();
    }
    return 0;
}
