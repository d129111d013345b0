// The regedit export reader, and on platforms without a registry the backend of
// RegistryKey that reads such a file.
#include "platform/registry.h"

#include "platform/error.h"
#include "platform/win1252.h"

#include <QList>
#include <QStringDecoder>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <mutex>
#endif

namespace tirelon {

namespace regfile {

namespace {

constexpr QStringView kHeaderVersion5 = u"Windows Registry Editor Version 5.00";
constexpr QStringView kHeaderVersion4 = u"REGEDIT4";

QString foldedName(QStringView name) {
    return name.toString().toCaseFolded();
}

QString foldedPath(QStringView path) {
    path = path.trimmed();
    while (path.endsWith(u'\\'))
        path.chop(1);
    return path.toString().toCaseFolded();
}

QString decodeFile(QByteArrayView bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        const qsizetype units = (bytes.size() - 2) / 2;
        QString text(units, Qt::Uninitialized);
        QChar* out = text.data();
        for (qsizetype i = 0; i < units; ++i) {
            const auto low = static_cast<unsigned char>(bytes[2 + 2 * i]);
            const auto high = static_cast<unsigned char>(bytes[3 + 2 * i]);
            out[i] = QChar(static_cast<char16_t>(low | (high << 8)));
        }
        return text;
    }
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF)
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: an ANSI file as written by older editors.
    return fromWin1252(bytes.data(), bytes.size());
}

QList<QStringView> splitLines(QStringView text) {
    QList<QStringView> lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u'\n', start);
        QStringView line = text.sliced(start, (end < 0 ? text.size() : end) - start);
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines.append(line);
        if (end < 0)
            return lines;
        start = end + 1;
    }
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// A hexadecimal number of 1 to maxDigits digits, nothing else.
std::optional<std::uint32_t> parseHexNumber(QStringView text, qsizetype maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t number = 0;
    for (QChar c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = (number << 4) | static_cast<std::uint32_t>(digit);
    }
    return number;
}

// A quoted text starting at text[pos] == '"'; pos moves past the closing quote.
std::optional<QString> readQuoted(QStringView text, qsizetype& pos) {
    QString out;
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            pos = i + 1;
            return out;
        }
        if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'\\' || text[i + 1] == u'"')) {
            out.append(text[++i]);
            continue;
        }
        out.append(c);
    }
    return std::nullopt;
}

qsizetype skipBlanks(QStringView text, qsizetype pos) {
    while (pos < text.size() && text[pos].isSpace())
        ++pos;
    return pos;
}

// Only blanks or a comment may follow a value.
bool onlyTrailer(QStringView rest) {
    rest = rest.trimmed();
    return rest.isEmpty() || rest.startsWith(u';');
}

std::optional<QByteArray> parseHexBytes(QStringView list) {
    QByteArray bytes;
    for (QStringView item : list.split(u',')) {
        item = item.trimmed();
        if (item.isEmpty())
            continue;
        const auto byte = parseHexNumber(item, 2);
        if (!byte)
            return std::nullopt;
        bytes.append(static_cast<char>(*byte));
    }
    return bytes;
}

QString stringFromBytes(const QByteArray& bytes, bool utf16) {
    if (!utf16) {
        const qsizetype nul = bytes.indexOf('\0');
        return fromWin1252(bytes.constData(), nul < 0 ? bytes.size() : nul);
    }
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

// "hex:..." or "hex(n):..." with the continuation lines already joined.
std::optional<Value> parseHexValue(QStringView data, bool utf16) {
    data = data.sliced(3);  // "hex"
    std::uint32_t type = 3; // REG_BINARY
    if (data.startsWith(u'(')) {
        const qsizetype close = data.indexOf(u')');
        if (close < 0)
            return std::nullopt;
        const auto number = parseHexNumber(data.sliced(1, close - 1), 8);
        if (!number)
            return std::nullopt;
        type = *number;
        data = data.sliced(close + 1);
    }
    if (!data.startsWith(u':'))
        return std::nullopt;
    const auto bytes = parseHexBytes(data.sliced(1));
    if (!bytes)
        return std::nullopt;
    Value value;
    value.dataSize = bytes->size();
    if (type == 1 || type == 2) {
        value.kind = type == 1 ? ValueKind::String : ValueKind::ExpandString;
        value.text = stringFromBytes(*bytes, utf16);
    }
    return value;
}

std::optional<Value> parseQuotedValue(QStringView data, bool utf16) {
    qsizetype pos = 0;
    auto text = readQuoted(data, pos);
    if (!text || !onlyTrailer(data.sliced(pos)))
        return std::nullopt;
    Value value;
    value.kind = ValueKind::String;
    value.dataSize = (text->size() + 1) * (utf16 ? 2 : 1);
    const qsizetype nul = text->indexOf(QChar(u'\0'));
    if (nul >= 0)
        text->truncate(nul);
    value.text = std::move(*text);
    return value;
}

std::optional<Value> parseDwordValue(QStringView data) {
    data = data.sliced(6); // "dword:"
    const qsizetype end = data.indexOf(u';');
    if (!parseHexNumber(data.first(end < 0 ? data.size() : end).trimmed(), 8))
        return std::nullopt;
    Value value;
    value.dataSize = 4;
    return value;
}

} // namespace

const Value* Key::value(QStringView name) const {
    const auto it = values_.constFind(foldedName(name));
    return it == values_.cend() ? nullptr : &it.value();
}

const Key* Document::findKey(QStringView path) const {
    const auto it = keys_.constFind(foldedPath(path));
    return it == keys_.cend() ? nullptr : &it.value();
}

std::optional<Document> Document::parse(QByteArrayView bytes) {
    const QString text = decodeFile(bytes);
    const QList<QStringView> lines = splitLines(text);
    const QStringView header = lines.first().trimmed();
    const bool version5 = header == kHeaderVersion5;
    if (!version5 && header != kHeaderVersion4)
        return std::nullopt;

    Document document;
    Key* current = nullptr;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringView line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;

        if (line.startsWith(u'[')) {
            current = nullptr;
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0 || !onlyTrailer(line.sliced(close + 1)))
                continue;
            const QStringView path = line.sliced(1, close - 1);
            if (path.startsWith(u'-')) {
                const QString gone = foldedPath(path.sliced(1));
                const QString below = gone + u'\\';
                document.keys_.removeIf([&](const auto& entry) {
                    return entry.key() == gone || entry.key().startsWith(below);
                });
            } else if (!foldedPath(path).isEmpty()) {
                current = &document.keys_[foldedPath(path)];
            }
            continue;
        }

        qsizetype pos = 0;
        QString name;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (line.startsWith(u'"')) {
            auto quoted = readQuoted(line, pos);
            if (!quoted)
                continue;
            name = std::move(*quoted);
        } else {
            continue;
        }
        pos = skipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != u'=')
            continue;
        const QStringView data = line.sliced(skipBlanks(line, pos + 1));

        std::optional<Value> value;
        if (data.startsWith(u'"')) {
            value = parseQuotedValue(data, version5);
        } else if (data.startsWith(u'-') && onlyTrailer(data.sliced(1))) {
            if (current)
                current->values_.remove(foldedName(name));
            continue;
        } else if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
            value = parseDwordValue(data);
        } else if (data.startsWith(u"hex", Qt::CaseInsensitive)) {
            // Long byte lists go on over lines that end in a backslash.
            QString joined = data.toString();
            while (joined.endsWith(u'\\') && i + 1 < lines.size()) {
                const QStringView next = lines[i + 1].trimmed();
                if (next.startsWith(u'[') || next.startsWith(u'"') || next.startsWith(u'@'))
                    break;
                joined.chop(1);
                joined.append(next);
                ++i;
            }
            if (joined.endsWith(u'\\'))
                joined.chop(1);
            value = parseHexValue(joined, version5);
        }
        if (value && current)
            current->values_.insert(foldedName(name), std::move(*value));
    }
    return document;
}

QString stringValue(const Value* value, const QString& name) {
    if (!value)
        return {};
    if (value->kind == ValueKind::Other) {
        if (value->dataSize == 0)
            return {};
        throw Error(QStringLiteral("Invalid data type for '%1'").arg(name));
    }
    return value->text;
}

} // namespace regfile

#ifndef _WIN32

namespace {

using namespace std::chrono_literals;

struct FileSignature {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::timespec modified{};
    std::timespec changed{};

    explicit FileSignature(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim),
          changed(st.st_ctim) {}

    bool operator==(const FileSignature& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::chrono::nanoseconds sinceEpoch(const std::timespec& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// The last parsed registry file. The document is shared with the keys opened from it,
// so replacing it never invalidates an open key.
struct FileCache {
    std::mutex mutex;
    QByteArray path;
    std::optional<FileSignature> signature;
    std::shared_ptr<const regfile::Document> document;
    std::uint64_t parses = 0;
    std::chrono::nanoseconds settleMargin = 2s;

    void forget() {
        path.clear();
        signature.reset();
        document.reset();
    }
};

FileCache& fileCache() {
    static FileCache cache;
    return cache;
}

QByteArray registryFilePath() {
    QByteArray path = qgetenv("TIRELON_REGISTRY");
    if (path.isEmpty())
        path = QByteArrayLiteral("/etc/tirelon/registry.reg");
    return path;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Up to size bytes of the file, or nothing when reading fails.
std::optional<QByteArray> readUpTo(int fd, off_t size) {
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(done);
    return bytes;
}

// The parsed registry file, or null when it is missing, unreadable or has no header.
std::shared_ptr<const regfile::Document> currentDocument() {
    const QByteArray path = registryFilePath();
    FileCache& cache = fileCache();
    const std::lock_guard lock(cache.mutex);

    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        cache.forget();
        return nullptr;
    }
    if (cache.signature && cache.path == path && *cache.signature == FileSignature(st))
        return cache.document;
    cache.forget();

    // O_NONBLOCK keeps a FIFO in the file's place from blocking the open.
    const FileDescriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat opened {};
    if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode))
        return nullptr;
    std::timespec readStart{};
    ::clock_gettime(CLOCK_REALTIME, &readStart);
    const auto bytes = readUpTo(fd.get(), opened.st_size);
    if (!bytes)
        return nullptr;

    ++cache.parses;
    auto parsed = regfile::Document::parse(*bytes);
    auto document =
        parsed ? std::make_shared<const regfile::Document>(std::move(*parsed)) : nullptr;
    // Every write sets the change time from a clock that ticks coarsely; a file changed
    // shortly before it was read may change again without any visible difference.
    if (sinceEpoch(opened.st_ctim) + cache.settleMargin < sinceEpoch(readStart)) {
        cache.path = path;
        cache.signature.emplace(opened);
        cache.document = document;
    }
    return document;
}

constexpr QStringView rootName(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::LocalMachine:
        break;
    }
    return u"HKEY_LOCAL_MACHINE";
}

} // namespace

struct RegistryKey::Impl {
    std::shared_ptr<const regfile::Document> document;
    const regfile::Key* key = nullptr;
};

std::optional<RegistryKey> RegistryKey::openReadOnly(RegistryRoot root, const QString& path) {
    auto document = currentDocument();
    if (!document)
        return std::nullopt;
    const regfile::Key* key = document->findKey(rootName(root).toString() + u'\\' + path);
    if (!key)
        return std::nullopt;
    return RegistryKey(std::make_unique<Impl>(Impl{std::move(document), key}));
}

RegistryKey::RegistryKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;
RegistryKey::~RegistryKey() = default;

QString RegistryKey::readString(const QString& name) const {
    if (!impl_)
        throw Error(QStringLiteral("Registry key is not open"));
    return regfile::stringValue(impl_->key->value(name), name);
}

namespace regfile {

std::uint64_t parseCountForTesting() {
    FileCache& cache = fileCache();
    const std::lock_guard lock(cache.mutex);
    return cache.parses;
}

std::chrono::nanoseconds setSettleMarginForTesting(std::chrono::nanoseconds margin) {
    FileCache& cache = fileCache();
    const std::lock_guard lock(cache.mutex);
    cache.forget();
    std::swap(cache.settleMargin, margin);
    return margin;
}

} // namespace regfile

#endif // _WIN32

} // namespace tirelon
