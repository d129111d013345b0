#include "export/photofile.h"

#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tirelon {
namespace {

using Chunks = std::vector<qint64>;

// Hands out data in chunks of the given sizes (cycling through them, never more than the
// capacity offered) and counts its calls.
struct StreamReader {
    QByteArray data;
    Chunks sizes{PhotoFileWriter::bufferSize};
    qint64 throwAfter = -1; // throws once this many bytes were handed out
    qint64 offset = 0;
    int calls = 0;

    qint64 operator()(char* buffer, qint64 capacity) {
        ++calls;
        if (throwAfter >= 0 && offset >= throwAfter)
            throw std::runtime_error("connection lost");
        const qint64 wanted = sizes[static_cast<size_t>(calls - 1) % sizes.size()];
        const qint64 n = std::min({wanted, capacity, qint64(data.size()) - offset});
        std::memcpy(buffer, data.constData() + offset, static_cast<size_t>(n));
        offset += n;
        return n;
    }
};

PhotoFileWriter::ChunkReader readerOf(StreamReader& stream) {
    return [&stream](char* buffer, qint64 capacity) { return stream(buffer, capacity); };
}

QByteArray randomBytes(qsizetype size, unsigned seed) {
    std::mt19937 generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

// Every entry of a folder, hidden ones included, so a stray temporary file shows.
QStringList listing(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
}

// Message of the tirelon::Error that body throws, or a marker when it throws none.
std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const Error& e) {
        return e.message().toStdString();
    }
    return "<no error>";
}

class PhotoFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        install = temp.path() + QStringLiteral("/erp");
        images = install + QStringLiteral("/IMAGENES");
        ASSERT_TRUE(QDir().mkpath(images));
    }

    QString photo(const QString& name) const { return images + u'/' + name; }

    QTemporaryDir temp;
    QString install;
    QString images;
    PhotoFileWriter writer;
};

// --- path -------------------------------------------------------------------------------

struct PathCase {
    const char* installDir;
    const char* code;
    qint32 item;
    const char* expected;
};

TEST(PhotoFilePath, IsBuiltFromDirectoryCodeAndItemUnchanged) {
    const PathCase cases[] = {
        {"/srv/erp", "A-100", 1, "/srv/erp/IMAGENES/A-100-1.jpg"},
        {"/srv/erp", "A-100", 2, "/srv/erp/IMAGENES/A-100-2.jpg"},
        {"/srv/erp", "A-100", 3, "/srv/erp/IMAGENES/A-100-3.jpg"},
        {"/srv/erp", "A-100", -3, "/srv/erp/IMAGENES/A-100--3.jpg"},
        {"/srv/erp", "A-100", 0, "/srv/erp/IMAGENES/A-100-0.jpg"},
        {"/srv/erp", "A", -2147483647 - 1, "/srv/erp/IMAGENES/A--2147483648.jpg"},
        {"/srv/erp", " A-100  ", 1, "/srv/erp/IMAGENES/ A-100  -1.jpg"},
        {"/srv/erp", "FAM\\A-100", 1, "/srv/erp/IMAGENES/FAM/A-100-1.jpg"},
        {"/srv/erp", "\\A-100", 1, "/srv/erp/IMAGENES//A-100-1.jpg"},
        {"/srv/erp", "a..b", 1, "/srv/erp/IMAGENES/a..b-1.jpg"},
        {"/srv/erp/", "A-100", 1, "/srv/erp//IMAGENES/A-100-1.jpg"},
        {"", "A-100", 1, "/IMAGENES/A-100-1.jpg"},
        {"erp", "Ñandú", 7, "erp/IMAGENES/Ñandú-7.jpg"},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(photoFilePath(QString::fromUtf8(c.installDir), QString::fromUtf8(c.code), c.item)
                      .toStdString(),
                  c.expected)
            << "code \"" << c.code << "\", item " << c.item;
    }
}

TEST_F(PhotoFileTest, CodeLeavingTheFolderIsRefusedAndNothingIsWritten) {
    writeFile(temp.path() + QStringLiteral("/x-1.jpg"), "outside");
    const QStringList before[] = {listing(temp.path()), listing(install), listing(images)};

    for (const char* code :
         {"..\\x", "a/../../x", "..", "a\\..\\..\\x", "..\\IMAGENES\\x", "FAM\\..\\x", "../../x"}) {
        StreamReader stream{"new bytes"};
        const std::string message = errorOf([&] {
            writer.write(photoFilePath(install, QString::fromUtf8(code), 1), readerOf(stream));
        });
        EXPECT_TRUE(message.starts_with("Cannot create file \"") &&
                    message.ends_with("\". Invalid file name"))
            << code << ": " << message;
        EXPECT_EQ(stream.calls, 0) << code;
    }

    EXPECT_EQ(listing(temp.path()), before[0]);
    EXPECT_EQ(listing(install), before[1]);
    EXPECT_EQ(listing(images), before[2]);
    EXPECT_EQ(readFile(temp.path() + QStringLiteral("/x-1.jpg")), "outside");
    EXPECT_EQ(errorOf([] { photoFilePath("/srv/erp", "..\\x", 1); }),
              "Cannot create file \"/srv/erp/x-1.jpg\". Invalid file name");
}

// --- writing new files ------------------------------------------------------------------

struct BytesCase {
    qsizetype size;
    Chunks chunks;
};

TEST_F(PhotoFileTest, WritesExactlyTheStreamedBytes) {
    const BytesCase cases[] = {
        {0, {1}},
        {1, {1}},
        {65536, {65536}},
        {65537, {65536}},
        {65537, {65535, 2}},
        {3 * 1024 * 1024 + 17, {1000, 65536, 7, 40000, 1, 33000}},
        {200000, {1}}, // a byte at a time
    };
    int index = 0;
    for (const BytesCase& c : cases) {
        const QString path = photo(QStringLiteral("P-%1.jpg").arg(++index));
        StreamReader stream{randomBytes(c.size, unsigned(index)), c.chunks};
        EXPECT_EQ(writer.write(path, readerOf(stream)), c.size) << "case " << index;
        EXPECT_EQ(writer.lastBytes(), c.size);
        EXPECT_FALSE(writer.lastKeptExisting());
        EXPECT_TRUE(readFile(path) == stream.data) << "case " << index << ", size " << c.size;
    }
    QStringList expected;
    for (int i = 1; i <= index; ++i)
        expected << QStringLiteral("P-%1.jpg").arg(i);
    EXPECT_EQ(listing(images), expected);
}

TEST_F(PhotoFileTest, CodeWithBackslashWritesIntoExistingSubfolder) {
    ASSERT_TRUE(QDir(images).mkdir(QStringLiteral("FAM")));
    StreamReader stream{"jpeg"};
    writer.write(photoFilePath(install, QStringLiteral("FAM\\A-100"), 2), readerOf(stream));
    EXPECT_EQ(readFile(images + QStringLiteral("/FAM/A-100-2.jpg")), "jpeg");
    EXPECT_EQ(listing(images + QStringLiteral("/FAM")), QStringList{"A-100-2.jpg"});
}

TEST_F(PhotoFileTest, ExistingLongerFileIsReplacedByShorterOne) {
    const QString path = photo(QStringLiteral("A-100-1.jpg"));
    writeFile(path, randomBytes(300000, 1));
    StreamReader stream{"short photo"};
    writer.write(path, readerOf(stream));
    EXPECT_EQ(readFile(path), "short photo");
    EXPECT_EQ(listing(images), QStringList{"A-100-1.jpg"});
}

TEST_F(PhotoFileTest, NewAndExistingNamesInAnyOrderEachGetTheirBytes) {
    // The writer takes new names and replaced ones differently and remembers which it met
    // last, so mix them in every order.
    const bool exists[] = {false, true, true, false, false, true, false, true};
    QStringList expected;
    for (int i = 0; i < static_cast<int>(std::size(exists)); ++i) {
        const QString name = QStringLiteral("A-%1.jpg").arg(i);
        expected << name;
        if (exists[i])
            writeFile(photo(name), randomBytes(5000, 100 + i));
    }
    for (int i = 0; i < static_cast<int>(std::size(exists)); ++i) {
        StreamReader stream{randomBytes(3000 + i, 200 + i)};
        writer.write(photo(expected[i]), readerOf(stream));
    }
    expected.sort();
    EXPECT_EQ(listing(images), expected); // no temporary file left
    for (int i = 0; i < static_cast<int>(std::size(exists)); ++i)
        EXPECT_TRUE(readFile(photo(QStringLiteral("A-%1.jpg").arg(i))) ==
                    randomBytes(3000 + i, 200 + i))
            << i;
}

TEST_F(PhotoFileTest, ExistingSymlinkIsReplacedAndItsTargetLeftAlone) {
    const QString outside = temp.path() + QStringLiteral("/outside.jpg");
    writeFile(outside, "outside");
    const QString path = photo(QStringLiteral("A-1.jpg"));
    ASSERT_TRUE(QFile::link(outside, path));
    StreamReader stream{"photo"};
    writer.write(path, readerOf(stream));
    EXPECT_EQ(readFile(outside), "outside");
    EXPECT_TRUE(S_ISREG(statOf(path).st_mode));
    EXPECT_EQ(readFile(path), "photo");
}

class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskGuard() { ::umask(old_); }
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;

private:
    mode_t old_;
};

TEST_F(PhotoFileTest, NewFileGetsTheModeOfAPlainlyCreatedFile) {
    const struct {
        mode_t mask;
        mode_t mode;
    } cases[] = {{022, 0644}, {077, 0600}, {002, 0664}, {0, 0666}};
    for (const auto& c : cases) {
        const QString path = photo(QStringLiteral("M-%1.jpg").arg(c.mask, 0, 8));
        StreamReader stream{"x"};
        {
            UmaskGuard mask(c.mask);
            writer.write(path, readerOf(stream));
        }
        EXPECT_EQ(statOf(path).st_mode & 07777, c.mode) << "umask " << std::oct << c.mask;
    }
}

// --- creation failures ------------------------------------------------------------------

TEST_F(PhotoFileTest, CreationFailuresNameTheAbsolutePathAndTheCause) {
    const QString missing = temp.path() + QStringLiteral("/no-erp");
    ASSERT_TRUE(QDir().mkpath(missing));
    const QString notFolder = temp.path() + QStringLiteral("/plain");
    ASSERT_TRUE(QDir().mkpath(notFolder));
    writeFile(notFolder + QStringLiteral("/IMAGENES"), "a file");
    ASSERT_TRUE(QDir(images).mkdir(QStringLiteral("A-9-1.jpg")));

    const struct {
        QString path;
        const char* reason;
    } cases[] = {
        {photoFilePath(missing, "A-100", 1), "No such file or directory"},
        {photoFilePath(missing, "FAM\\A-100", 1), "No such file or directory"},
        {photoFilePath(install, "NOFAM\\A-100", 1), "No such file or directory"},
        {photoFilePath(notFolder, "A-100", 1), "Not a directory"},
        {photoFilePath(install, QString(300, u'x'), 1), "File name too long"},
        {photoFilePath(install, QStringLiteral("A") + QChar(u'\0') + "B", 1), "Invalid file name"},
        // An existing folder of that name only fails when the new file is put in place.
        {photo(QStringLiteral("A-9-1.jpg")), "Is a directory"},
    };
    for (const auto& c : cases) {
        StreamReader stream{"bytes"};
        const std::string expected =
            "Cannot create file \"" + c.path.toStdString() + "\". " + c.reason;
        EXPECT_EQ(errorOf([&] { writer.write(c.path, readerOf(stream)); }), expected);
    }

    EXPECT_EQ(listing(missing), QStringList{});
    EXPECT_EQ(listing(notFolder), QStringList{"IMAGENES"});
    EXPECT_EQ(readFile(notFolder + QStringLiteral("/IMAGENES")), "a file");
    EXPECT_EQ(listing(images), QStringList{"A-9-1.jpg"});
    EXPECT_EQ(listing(photo(QStringLiteral("A-9-1.jpg"))), QStringList{});
}

class CurrentDirGuard {
public:
    explicit CurrentDirGuard(const QString& dir) : old_(QDir::currentPath()) {
        QDir::setCurrent(dir);
    }
    ~CurrentDirGuard() { QDir::setCurrent(old_); }
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

private:
    QString old_;
};

TEST_F(PhotoFileTest, RelativePathIsMadeAbsoluteInTheError) {
    CurrentDirGuard cwd(temp.path());
    StreamReader stream{"bytes"};
    EXPECT_EQ(errorOf([&] {
                  writer.write(photoFilePath(QStringLiteral("gone"), "A-100", 1), readerOf(stream));
              }),
              "Cannot create file \"" + temp.path().toStdString() +
                  "/gone/IMAGENES/A-100-1.jpg\". No such file or directory");
    EXPECT_EQ(stream.calls, 0);
}

TEST_F(PhotoFileTest, ReadOnlyFolderOrFileRefusesTheWrite) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const QString path = photo(QStringLiteral("A-1.jpg"));
    writeFile(path, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    // Refused whether the new bytes differ or (when unchanged files are skipped) match, and
    // whether the photo before it was a new file or replaced one.
    const QString other = photo(QStringLiteral("B-1.jpg"));
    for (const char* bytes : {"new", "old", "new"}) {
        if (QFile::exists(other))
            QFile::remove(other); // the last photo written was a new file
        else
            writeFile(other, "replaced");
        StreamReader before{"before"};
        writer.setSkipUnchanged(false);
        writer.write(other, readerOf(before));
        writer.setSkipUnchanged(std::string_view(bytes) == "old");
        StreamReader stream{bytes};
        EXPECT_EQ(errorOf([&] { writer.write(path, readerOf(stream), 3); }),
                  "Cannot create file \"" + path.toStdString() + "\". Permission denied")
            << bytes;
        EXPECT_EQ(readFile(path), "old");
        EXPECT_EQ(listing(images), QStringList({"A-1.jpg", "B-1.jpg"}))
            << bytes; // no temporary file left
    }
    writer.setSkipUnchanged(false);

    const QString locked = temp.path() + QStringLiteral("/locked/IMAGENES");
    ASSERT_TRUE(QDir().mkpath(locked));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    StreamReader again{"new"};
    EXPECT_EQ(errorOf([&] { writer.write(locked + "/B-1.jpg", readerOf(again)); }),
              "Cannot create file \"" + locked.toStdString() + "/B-1.jpg\". Permission denied");
    EXPECT_EQ(listing(locked), QStringList{});
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}

// --- failures part-way ------------------------------------------------------------------

TEST_F(PhotoFileTest, ReaderFailingMidwayLeavesTheOldFileAndNoTemporaryFile) {
    const QByteArray old = randomBytes(150000, 7);
    const QString path = photo(QStringLiteral("A-1.jpg"));
    for (bool skipUnchanged : {false, true}) {
        writeFile(path, old);
        writer.setSkipUnchanged(skipUnchanged);
        // Same size as the old file but different from its first byte on, so the
        // comparison gives way to a temporary file before the reader fails.
        StreamReader stream{randomBytes(old.size(), 8), {40000}, 120000};
        EXPECT_THROW(writer.write(path, readerOf(stream), old.size()), std::runtime_error);
        EXPECT_TRUE(readFile(path) == old) << "skipUnchanged " << skipUnchanged;
        EXPECT_EQ(listing(images), QStringList{"A-1.jpg"}) << "skipUnchanged " << skipUnchanged;
    }
}

TEST_F(PhotoFileTest, ImpossibleChunkSizeIsAReadErrorAndLeavesNothing) {
    const QString path = photo(QStringLiteral("A-1.jpg"));
    writeFile(path, "old");
    for (qint64 bad : {qint64(-1), PhotoFileWriter::bufferSize + 1}) {
        bool first = true;
        auto reader = [&](char* buffer, qint64 capacity) -> qint64 {
            if (!first)
                return bad;
            first = false;
            std::memset(buffer, 'x', 10);
            return std::min<qint64>(10, capacity);
        };
        EXPECT_EQ(errorOf([&] { writer.write(path, reader); }), "Stream read error") << bad;
        EXPECT_EQ(readFile(path), "old");
        EXPECT_EQ(listing(images), QStringList{"A-1.jpg"});
    }
}

// Lowers the file size limit of this process, with SIGXFSZ ignored so that a write past it
// fails with EFBIG instead of ending the process; both are restored afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &old_), 0);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

TEST_F(PhotoFileTest, WriteFailingPartWayIsAStreamWriteErrorAndKeepsTheOldFile) {
    const QString path = photo(QStringLiteral("A-1.jpg"));
    const QByteArray old = randomBytes(1000, 3);
    writeFile(path, old);
    // The limit falls inside the second buffer, so the write first comes back short.
    StreamReader stream{randomBytes(400000, 4)};
    std::string message;
    {
        FileSizeLimit limit(100000);
        message = errorOf([&] { writer.write(path, readerOf(stream)); });
    }
    EXPECT_EQ(message, "Stream write error");
    EXPECT_TRUE(readFile(path) == old);
    EXPECT_EQ(listing(images), QStringList{"A-1.jpg"});
}

// --- leaving unchanged files alone ------------------------------------------------------

TEST_F(PhotoFileTest, IdenticalFileIsLeftInPlaceWhenAskedTo) {
    const QString path = photo(QStringLiteral("A-1.jpg"));
    const QByteArray bytes = randomBytes(200000, 5);
    writeFile(path, bytes);
    const timespec old[2] = {{978307200, 0}, {978307200, 0}}; // 2001-01-01
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0), 0);
    const struct stat before = statOf(path);

    writer.setSkipUnchanged(true);
    StreamReader stream{bytes, {30000, 65536, 5}};
    EXPECT_EQ(writer.write(path, readerOf(stream), bytes.size()), bytes.size());

    EXPECT_TRUE(writer.lastKeptExisting());
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(listing(images), QStringList{"A-1.jpg"});
}

TEST_F(PhotoFileTest, ChangedFileIsReplacedWhenSkippingUnchangedOnes) {
    const QByteArray base = randomBytes(300000, 6);
    auto flipped = [&](qsizetype at) {
        QByteArray b = base;
        b[at] = char(b[at] ^ 0x55);
        return b;
    };
    const struct {
        const char* what;
        bool skip;
        QByteArray photo;
        qint64 announced;
    } cases[] = {
        {"differs at the first byte", true, flipped(0), base.size()},
        {"differs in the middle", true, flipped(150001), base.size()},
        {"differs at the last byte", true, flipped(base.size() - 1), base.size()},
        {"longer than announced", true, base + "tail", base.size()},
        {"shorter than announced", true, base.left(200000), base.size()},
        {"different size", true, base.left(1000), 1000},
        {"identical, size not announced", true, base, -1},
        {"identical, option off", false, base, base.size()},
    };
    const QString path = photo(QStringLiteral("A-1.jpg"));
    for (const auto& c : cases) {
        writeFile(path, base);
        const ino_t oldInode = statOf(path).st_ino;
        writer.setSkipUnchanged(c.skip);
        StreamReader stream{c.photo, {20000, 65536, 3, 50000}};
        EXPECT_EQ(writer.write(path, readerOf(stream), c.announced), c.photo.size()) << c.what;
        EXPECT_FALSE(writer.lastKeptExisting()) << c.what;
        EXPECT_TRUE(readFile(path) == c.photo) << c.what;
        EXPECT_NE(statOf(path).st_ino, oldInode) << c.what;
        EXPECT_EQ(listing(images), QStringList{"A-1.jpg"}) << c.what;
    }
}

} // namespace
} // namespace tirelon
