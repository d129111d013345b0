#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace tirelon {

enum class RegistryRoot { LocalMachine };

// A registry key opened with read access only (KEY_READ). Keys are never created.
// On Windows this is the system registry; elsewhere it is a file in regedit export
// format named by the environment variable TIRELON_REGISTRY (by default
// /etc/tirelon/registry.reg). The key is released when the object is destroyed.
class RegistryKey {
public:
    // Opens root\path. Empty when the key is missing or may not be read; on other
    // platforms also when the file is missing, unreadable, lacks the header or the section.
    static std::optional<RegistryKey> openReadOnly(RegistryRoot root, const QString& path);

    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey();

    // The text of a REG_SZ or REG_EXPAND_SZ value, unexpanded, up to its first NUL.
    // Empty when the value is absent or holds no data. A value of any other type
    // throws Error "Invalid data type for '<name>'".
    QString readString(const QString& name) const;

    struct Impl;

private:
    explicit RegistryKey(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The regedit export format read by the non-Windows backend, exposed for tests and fuzzing.
//
// The first line is "Windows Registry Editor Version 5.00" or "REGEDIT4". The file is
// UTF-16LE when it starts with that byte order mark; otherwise UTF-8 (an initial UTF-8
// byte order mark is skipped), or Windows-1252 when it is not valid UTF-8. Lines end in
// CR LF or LF; blank lines and lines starting with ';' are ignored.
//
// A section "[HKEY_LOCAL_MACHINE\Software\...]" starts a key; "[-...]" deletes a key with
// its subkeys. Values: "name"="text" (\\ and \" escape a backslash and a quote; any other
// backslash stands for itself) is REG_SZ; @=... names the default value; hex(1): and
// hex(2): give REG_SZ and REG_EXPAND_SZ as comma-separated bytes, UTF-16LE in version 5
// files and single bytes (Windows-1252) in REGEDIT4 files, continued over lines ending
// in a backslash; dword:, hex:, hex(7): and every other hex(n): give other types;
// "name"=- deletes the value. Key paths and value names compare without regard to case;
// a later section or value of the same name adds to or replaces an earlier one. A line
// that cannot be read is skipped, so a malformed file is never an error.
namespace regfile {

enum class ValueKind { String, ExpandString, Other };

struct Value {
    ValueKind kind = ValueKind::Other;
    // String and ExpandString: the text up to the first NUL.
    QString text;
    // Bytes of data as stored; decides whether a value of another type counts as empty.
    qsizetype dataSize = 0;
};

class Key {
public:
    // Null when the key has no value of that name.
    const Value* value(QStringView name) const;

private:
    friend class Document;
    QHash<QString, Value> values_;
};

class Document {
public:
    // Empty when the header is missing; never throws on malformed input.
    static std::optional<Document> parse(QByteArrayView bytes);

    // The key with the full path, e.g. "HKEY_LOCAL_MACHINE\Software\Dravik\TirelonERP2024";
    // null when the file has no such section.
    const Key* findKey(QStringView path) const;
    qsizetype keyCount() const { return keys_.size(); }

private:
    QHash<QString, Key> keys_;
};

// Text of a value as RegistryKey::readString gives it (value may be null).
QString stringValue(const Value* value, const QString& name);

#ifndef _WIN32
// The backend keeps the parsed file and parses it again only when a stat() of the path
// shows another file (device, inode), another size, modification or change time. A file
// changed within the settle margin before it was read is parsed again on the next
// request, since a rewrite inside one tick of the file system clock leaves its times alone.
std::uint64_t parseCountForTesting();
// Replaces the settle margin (2 s by default); returns the previous one.
std::chrono::nanoseconds setSettleMarginForTesting(std::chrono::nanoseconds margin);
#endif

} // namespace regfile

} // namespace tirelon
