// Feeds arbitrary bytes to the regedit export reader and checks what it gives back.
#include "platform/error.h"
#include "platform/registry.h"

#include <cstddef>
#include <cstdint>

using namespace tirelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto document = regfile::Document::parse(bytes);
    if (!document)
        return 0;
    const regfile::Key* key =
        document->findKey(u"hkey_local_machine\\software\\dravik\\tirelonerp2024");
    if (!key)
        return 0;
    const regfile::Value* value = key->value(u"Directorio");
    try {
        const QString text = regfile::stringValue(value, QStringLiteral("Directorio"));
        // A string ends at its first NUL.
        if (text.contains(QChar(u'\0')))
            __builtin_trap();
    } catch (const Error& e) {
        // Only a value of another type with data may be refused, and with that text.
        if (!value || value->kind != regfile::ValueKind::Other || value->dataSize == 0 ||
            e.message() != QStringLiteral("Invalid data type for 'Directorio'"))
            __builtin_trap();
    }
    return 0;
}
