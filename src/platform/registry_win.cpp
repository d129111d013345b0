// The Windows backend of RegistryKey: the system registry, opened read only.
#ifdef _WIN32

#include "platform/registry.h"

#include "platform/error.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>
#include <vector>

namespace tirelon {

namespace {

HKEY rootHandle(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::LocalMachine:
        break;
    }
    return HKEY_LOCAL_MACHINE;
}

bool isStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

[[noreturn]] void throwInvalidType(const QString& name) {
    throw Error(QStringLiteral("Invalid data type for '%1'").arg(name));
}

[[noreturn]] void throwUnreadable(const QString& name) {
    throw Error(QStringLiteral("Cannot read the registry value '%1'").arg(name));
}

} // namespace

struct RegistryKey::Impl {
    explicit Impl(HKEY opened) : key(opened) {}
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() { RegCloseKey(key); }

    HKEY key;
};

std::optional<RegistryKey> RegistryKey::openReadOnly(RegistryRoot root, const QString& path) {
    // KEY_READ and no KEY_WOW64_* flag: a 32-bit build reads the 32-bit view, like
    // the programs installed beside it.
    const QByteArray subKey = path.toLocal8Bit();
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootHandle(root), subKey.constData(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    return RegistryKey(std::make_unique<Impl>(key));
}

RegistryKey::RegistryKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;
RegistryKey::~RegistryKey() = default;

QString RegistryKey::readString(const QString& name) const {
    if (!impl_)
        throw Error(QStringLiteral("Registry key is not open"));
    const QByteArray valueName = name.toLocal8Bit();
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG status =
            RegQueryValueExA(impl_->key, valueName.constData(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND)
            return {};
        if (status != ERROR_SUCCESS)
            throwUnreadable(name);
        if (size == 0)
            return {};
        if (!isStringType(type))
            throwInvalidType(name);

        // The stored text need not end in a NUL; the extra byte makes sure one follows.
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
        DWORD got = size;
        status = RegQueryValueExA(impl_->key, valueName.constData(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA)
            continue; // the value grew between the two queries
        if (status == ERROR_FILE_NOT_FOUND)
            return {};
        if (status != ERROR_SUCCESS)
            throwUnreadable(name);
        if (got == 0)
            return {};
        if (!isStringType(type))
            throwInvalidType(name);
        const std::size_t length = strnlen(buffer.data(), got);
        return QString::fromLocal8Bit(buffer.data(), static_cast<qsizetype>(length));
    }
}

} // namespace tirelon

#endif // _WIN32
