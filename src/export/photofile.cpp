#include "export/photofile.h"

#include "platform/error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <stdio.h> // renameat2
#include <sys/stat.h>
#include <unistd.h>

namespace tirelon {

namespace {

// The system's description of an error number, without the trailing blanks, line breaks
// and periods some descriptions end with.
QString reasonText(int errorNumber) {
    QString text = QString::fromLocal8Bit(std::strerror(errorNumber));
    qsizetype end = text.size();
    while (end > 0) {
        const QChar c = text.at(end - 1);
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n' && c != u'.')
            break;
        --end;
    }
    text.truncate(end);
    return text;
}

const QString invalidFileName = QStringLiteral("Invalid file name");

// The path made absolute against the current folder, without resolving links. A path that
// holds a NUL, which no file system accepts, is made absolute by hand: the file system layer
// rejects such names outright.
QString absolutePath(const QString& path) {
    if (!path.contains(QChar(u'\0')))
        return QFileInfo(path).absoluteFilePath();
    return QDir::cleanPath(path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path);
}

[[noreturn]] void throwCannotCreate(const QString& path, const QString& reason) {
    throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(absolutePath(path), reason));
}

[[noreturn]] void throwCannotCreate(const QString& path, int errorNumber) {
    throwCannotCreate(path, reasonText(errorNumber));
}

[[noreturn]] void throwWriteError() {
    throw Error(QStringLiteral("Stream write error"));
}

[[noreturn]] void throwReadError() {
    throw Error(QStringLiteral("Stream read error"));
}

void writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwWriteError();
        }
        if (n == 0)
            throwWriteError();
        data += n;
        size -= n;
    }
}

// Reads up to size bytes, fewer only at the end of the file. Returns -1 on a read error.
qint64 readFully(int fd, char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes the descriptor and reports whether the close succeeded; after EINTR Linux has
    // closed the descriptor and there is nothing to report.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || errno == EINTR;
    }

private:
    int fd_ = -1;
};

// Bytes of the first up to 32 bytes of a file name, cut at a character boundary, for the
// name of the temporary file.
QByteArray tempNameStem(const QByteArray& name) {
    qsizetype cut = std::min<qsizetype>(name.size(), 32);
    while (cut > 0 && cut < name.size() &&
           (static_cast<unsigned char>(name.at(cut)) & 0xC0) == 0x80)
        --cut;
    return name.left(cut);
}

} // namespace

QString photoFilePath(const QString& installDir, const QString& code, qint32 item) {
    QString relative = code;
    relative.replace(u'\\', u'/');
    const QString path = installDir + QStringLiteral("/IMAGENES/") + relative + u'-' +
                         QString::number(item) + QStringLiteral(".jpg");
    // The code's last component is followed by "-<item>.jpg", so a code ".." would not leave
    // the folder; it is refused all the same, since no article can mean it.
    const QStringList components = relative.split(u'/');
    for (const QString& component : components) {
        if (component == QStringLiteral(".."))
            throwCannotCreate(path, invalidFileName);
    }
    return path;
}

// One write in progress: the destination, the temporary file while it exists, and the
// existing file while its bytes are being compared. Whatever it leaves open or unfinished
// is closed and removed when it ends.
class PhotoFileWriter::Job {
public:
    Job(PhotoFileWriter& writer, const QString& path) : writer_(writer), path_(path) {
        if (path.isEmpty())
            throwCannotCreate(path, ENOENT);
        if (path.contains(QChar(u'\0')))
            throwCannotCreate(path, invalidFileName);
        finalPath_ = QFile::encodeName(path);
        if (finalPath_.size() >= PATH_MAX)
            throwCannotCreate(path, ENAMETOOLONG);
        const qsizetype slash = finalPath_.lastIndexOf('/');
        folder_ = finalPath_.left(slash + 1);
        name_ = finalPath_.mid(slash + 1);
        if (name_.isEmpty())
            throwCannotCreate(path, EISDIR);
        if (name_.size() > NAME_MAX)
            throwCannotCreate(path, ENAMETOOLONG);
    }

    ~Job() {
        out_.reset();
        if (!tempPath_.isEmpty())
            ::unlink(tempPath_.constData());
    }

    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Refuses a name that exists and may not be written, as creating it in place would.
    void checkReplaceable() {
        if (::faccessat(AT_FDCWD, finalPath_.constData(), W_OK, AT_EACCESS) == 0)
            writer_.replacing_ = true;
        else if (errno == ENOENT)
            writer_.replacing_ = false;
        else
            throwCannotCreate(path_, errno);
        checked_ = true;
    }

    // Starts comparing when a regular file of the name has exactly expectedSize bytes.
    void openForComparison(qint64 expectedSize) {
        const int fd =
            ::open(finalPath_.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        existing_.reset(fd);
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != expectedSize) {
            existing_.reset();
            return;
        }
        if (!writer_.compareBuffer_)
            writer_.compareBuffer_ = std::make_unique_for_overwrite<char[]>(bufferSize);
    }

    bool comparing() const { return existing_.isOpen(); }

    void createTemp() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            QByteArray candidate = folder_ + '.' + tempNameStem(name_) + '.' + randomSuffix();
            const int fd =
                ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                out_.reset(fd);
                tempPath_ = std::move(candidate);
                return;
            }
            if (errno != EEXIST && errno != EINTR)
                throwCannotCreate(path_, errno);
        }
        throwCannotCreate(path_, EEXIST);
    }

    // Takes the next bytes of the photo: compares them with the existing file while it still
    // matches, otherwise writes them to the temporary file.
    void put(const char* data, qint64 size) {
        if (comparing()) {
            const qint64 got = readFully(existing_.get(), writer_.compareBuffer_.get(), size);
            if (got == size && std::memcmp(data, writer_.compareBuffer_.get(), size) == 0) {
                matched_ += size;
                return;
            }
            startWritingAfterMatch();
        }
        writeAll(out_.get(), data, size);
    }

    // Called after the last byte. Returns true when the existing file holds the photo
    // already and stays as it is.
    bool finishComparison(qint64 expectedSize) {
        if (!comparing())
            return false;
        if (matched_ == expectedSize) {
            existing_.reset();
            return true;
        }
        startWritingAfterMatch();
        return false;
    }

    // Puts the temporary file in place. A new name is taken without any further check; an
    // existing file is first checked for write access, since renaming over it would
    // otherwise replace a file that may not be written.
    // While the previous photo replaced a file, the check comes first: a re-export replaces
    // every file, and the no-replace rename would only fail before each check.
    void commit() {
        if (!out_.close())
            throwWriteError();
        if (!checked_ && !writer_.replacing_ && writer_.noReplaceRename_) {
            if (::renameat2(AT_FDCWD, tempPath_.constData(), AT_FDCWD, finalPath_.constData(),
                            RENAME_NOREPLACE) == 0) {
                tempPath_.clear();
                return;
            }
            // EINVAL: the file system cannot rename without replacing; check and replace,
            // from now on without trying.
            if (errno == EINVAL)
                writer_.noReplaceRename_ = false;
            else if (errno != EEXIST)
                throwCannotCreate(path_, errno);
        }
        if (!checked_)
            checkReplaceable();
        if (::rename(tempPath_.constData(), finalPath_.constData()) != 0)
            throwCannotCreate(path_, errno);
        tempPath_.clear();
    }

private:
    // The bytes that matched so far are no longer held: they are copied from the existing
    // file, which was just found to hold them.
    void startWritingAfterMatch() {
        createTemp();
        char* copy = writer_.compareBuffer_.get();
        qint64 offset = 0;
        while (offset < matched_) {
            const qint64 want = std::min(bufferSize, matched_ - offset);
            const ssize_t n = ::pread(existing_.get(), copy, static_cast<size_t>(want), offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throwReadError();
            writeAll(out_.get(), copy, n);
            offset += n;
        }
        existing_.reset();
    }

    QByteArray randomSuffix() {
        static constexpr char alphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        // splitmix64: cheap and well spread; O_EXCL, not the name, keeps the file ours.
        std::uint64_t z = (writer_.nameState_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        QByteArray suffix(6, Qt::Uninitialized);
        for (char& c : suffix) {
            c = alphabet[z % 62];
            z /= 62;
        }
        return suffix;
    }

    PhotoFileWriter& writer_;
    const QString& path_;
    QByteArray finalPath_;
    QByteArray folder_;
    QByteArray name_;
    QByteArray tempPath_; // set while the temporary file exists
    FileDescriptor out_;
    FileDescriptor existing_;
    qint64 matched_ = 0;
    bool checked_ = false; // the write access of an existing file was checked
};

PhotoFileWriter::PhotoFileWriter()
    : buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)),
      nameState_((std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}() ^
                 static_cast<std::uint64_t>(::getpid())) {}

PhotoFileWriter::~PhotoFileWriter() = default;

qint64 PhotoFileWriter::write(const QString& path, const ChunkReader& readChunk,
                              qint64 expectedSize) {
    lastBytes_ = 0;
    lastKeptExisting_ = false;

    Job job(*this, path);
    if (skipUnchanged_ && expectedSize >= 0) {
        // An existing file that may not be written is refused even when it holds the photo.
        job.checkReplaceable();
        job.openForComparison(expectedSize);
    }
    if (!job.comparing())
        job.createTemp();

    // Small chunks are gathered so that each write carries at least half a buffer.
    char* const buffer = buffer_.get();
    qint64 filled = 0;
    qint64 total = 0;
    for (;;) {
        const qint64 n = readChunk(buffer + filled, bufferSize - filled);
        if (n < 0 || n > bufferSize - filled)
            throwReadError();
        if (n == 0)
            break;
        filled += n;
        total += n;
        if (filled >= bufferSize / 2) {
            job.put(buffer, filled);
            filled = 0;
        }
    }
    if (filled > 0)
        job.put(buffer, filled);

    if (job.finishComparison(expectedSize)) {
        lastKeptExisting_ = true;
    } else {
        job.commit();
    }
    lastBytes_ = total;
    return total;
}

} // namespace tirelon
