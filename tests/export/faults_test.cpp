// Faults that strike while the export runs: the folder or the registry file goes
// away, the connection is killed, a photo larger than the memory the process may
// take. The export must stop with a clear error (or carry on, where it can), keep
// every photo already written intact and leave no partial or temporary file.
#include "data/fb/blob.h"
#include "data/fb/statement.h"
#include "export/exporter.h"
#include "exportfixture.h"
#include "settings/installdir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <string>

using namespace tirelon;
using tirelon::test::PhotoRow;

namespace {

class Hook : public ExportObserver {
public:
    std::function<void(int)> afterPhoto; // called with the count of photos written so far
    QStringList written;
    void photoWritten(const QString& path, qint64) override {
        written << path;
        if (afterPhoto)
            afterPhoto(static_cast<int>(written.size()));
    }
};

QByteArray photo(int seed, int size = 5000) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((seed * 131 + i * 7) & 0xFF);
    return bytes;
}

QString errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        return messageOf(e);
    }
    return {};
}

} // namespace

class ExportFaults : public test::ExportFixture {
protected:
    void addFive() {
        addRows({{"A1", 1, photo(1)},
                 {"A2", 1, photo(2)},
                 {"A3", 1, photo(3)},
                 {"A4", 1, photo(4)},
                 {"A5", 1, photo(5)}});
    }
    QString run(Hook& hook) {
        connect();
        test::ArticleSet set(*dm_);
        PhotoFileWriter writer;
        return errorOf(
            [&] { exportArticlePhotos(*set.articles, hook, &installationDirectory, writer); });
    }
};

TEST_F(ExportFaults, ImagesFolderRemovedMidExportStopsThereAndKeepsNothingPartial) {
    addFive();
    Hook hook;
    const QString moved = install_.path() + "/IMAGENES.saved";
    hook.afterPhoto = [&](int n) {
        if (n == 2) {
            ASSERT_TRUE(QDir().rename(images(), moved));
        }
    };
    const QString error = run(hook);
    EXPECT_EQ(error, "Cannot create file \"" + images() + "/A3-1.jpg\". No such file or directory");
    // What was written before the fault is complete and nothing else is there.
    EXPECT_EQ(test::filesBelow(moved), (QStringList{"A1-1.jpg", "A2-1.jpg"}));
    EXPECT_EQ(test::readAll(moved + "/A2-1.jpg"), photo(2));
    EXPECT_FALSE(QDir(images()).exists()); // never created again
}

TEST_F(ExportFaults, RegistryFileRemovedMidExportAsksForEveryLaterPhoto) {
    if (QDir("/IMAGENES").exists())
        GTEST_SKIP() << "/IMAGENES exists on this machine";
    addFive();
    Hook hook;
    hook.afterPhoto = [&](int n) {
        if (n == 2) {
            registry_.remove();
        }
    };
    const QString error = run(hook);
    // The key is gone: the message comes for the next photo, whose path then starts
    // at the root, where no IMAGENES folder exists.
    ASSERT_EQ(dialogs_->boxes.size(), 1);
    EXPECT_EQ(
        dialogs_->boxes[0].text,
        QString::fromUtf8("No se encontró la Clave "
                          "HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024\\Directorio"));
    EXPECT_EQ(error, "Cannot create file \"/IMAGENES/A3-1.jpg\". No such file or directory");
    EXPECT_EQ(test::filesBelow(images()), (QStringList{"A1-1.jpg", "A2-1.jpg"}));
}

TEST(ExportConnectionFault, ConnectionKilledMidExportGivesAClearErrorAndKeepsWhatWasWritten) {
    TIRELON_REQUIRE_SERVER();
    test::ScopedRecordingDialogs boxes;
    test::TemporaryRegistry registry;
    QTemporaryDir install;
    QDir(install.path()).mkdir("IMAGENES");
    registry.write(test::tirelonKey("\"Directorio\"=\"" + install.path() + "\""));
    test::CompanyFolder folder(test::ScratchDatabase::Access::Server);
    folder.addCompany("001");
    {
        auto c = folder.connect("001");
        fb::Transaction t(*c, fb::Transaction::Kind::ReadWrite);
        for (int i = 1; i <= 4; ++i) {
            demo::addArticle(t, QString("K%1").arg(i), "Articulo");
            const QByteArray bytes = photo(i, 200000);
            demo::addPhoto(t, QString("K%1").arg(i), 1, &bytes);
        }
        t.commit();
    }
    Tfdm dm;
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", test::serverPassword());
    test::ArticleSet set(dm);
    Hook hook;
    hook.afterPhoto = [&](int n) {
        if (n != 2)
            return;
        // Another session of the administrator ends ours, as a server shutdown would.
        auto admin = folder.connect("001");
        auto t = admin->startTransaction(fb::Transaction::Kind::ReadWrite);
        fb::Statement(*t, "DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> "
                          "CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0")
            .execute();
        t->commit();
    };
    PhotoFileWriter writer;
    const QString error =
        errorOf([&] { exportArticlePhotos(*set.articles, hook, &installationDirectory, writer); });
    EXPECT_TRUE(error.startsWith("SQL Server Error: ")) << error.toStdString();
    // Firebird's own words for a connection that went away.
    EXPECT_TRUE(error.contains("connection", Qt::CaseInsensitive)) << error.toStdString();
    const QString images = install.path() + "/IMAGENES";
    EXPECT_EQ(test::filesBelow(images), (QStringList{"K1-1.jpg", "K2-1.jpg"}));
    EXPECT_EQ(test::readAll(images + "/K2-1.jpg"), photo(2, 200000));
    // The program carries on: closing the record set and the connection is clean.
    set.articles->close();
    dm.Tirelon->close();
    EXPECT_EQ(dm.Tirelon->state(), fb::ConnectionState::Closed);
}

#if defined(__SANITIZE_ADDRESS__)
#define TIRELON_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TIRELON_UNDER_ASAN 1
#endif
#endif

TEST_F(ExportFaults, PhotoLargerThanTheMemoryLimitStreamsThrough) {
#ifdef TIRELON_UNDER_ASAN
    GTEST_SKIP() << "an address space limit cannot be set under AddressSanitizer";
#endif
    constexpr qint64 total = 200LL * 1024 * 1024;
    {
        auto c = folder_.connect("001");
        fb::Transaction t(*c, fb::Transaction::Kind::ReadWrite);
        demo::addArticle(t, "BIG", "Foto enorme");
        fb::BlobWriter blob(t);
        std::string chunk(65535, '\0');
        for (qint64 at = 0; at < total; at += static_cast<qint64>(chunk.size())) {
            const auto n = std::min<qint64>(static_cast<qint64>(chunk.size()), total - at);
            for (qint64 i = 0; i < n; ++i)
                chunk[static_cast<std::size_t>(i)] = static_cast<char>(((at + i) * 13) % 253);
            blob.write(chunk.data(), n);
        }
        fb::Statement(t, "INSERT INTO FOTOS_ARTICULO (ARTI_COD, FTAR_ITEM, FTAR_IMAGEN) "
                         "VALUES ('BIG', 1, ?)")
            .execute({QVariant::fromValue(blob.finish())});
        t.commit();
    }
    connect();
    test::ArticleSet set(*dm_);
    set.articles->setCommandText(articlePhotoQuery());
    set.articles->open(); // the engine's caches are in place before the limit is set
    set.articles->close();

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Allow the address space in use now plus 64 MB: far less than the photo.
        std::ifstream status("/proc/self/status");
        long vmKib = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmSize:", 0) == 0)
                vmKib = std::stol(line.substr(7));
        const rlim_t limit = static_cast<rlim_t>(vmKib + 64 * 1024) * 1024;
        struct rlimit rl {
            limit, limit
        };
        setrlimit(RLIMIT_AS, &rl);
        Hook hook;
        PhotoFileWriter writer;
        const QString error = errorOf(
            [&] { exportArticlePhotos(*set.articles, hook, &installationDirectory, writer); });
        _exit(error.isEmpty() && hook.written.size() == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    QFile out(image("BIG-1.jpg"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.size(), total);
    out.seek(total - 1000);
    const QByteArray tail = out.read(1000);
    for (int i = 0; i < tail.size(); ++i)
        ASSERT_EQ(static_cast<unsigned char>(tail[i]),
                  static_cast<unsigned char>(((total - 1000 + i) * 13) % 253));
}
