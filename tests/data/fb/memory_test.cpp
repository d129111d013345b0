// Streaming a large blob to a file must not hold the blob in memory.
#include "data/fb/blob.h"
#include "data/fb/statement.h"
#include "scratchdb.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace tirelon::fb;
using tirelon::test::ScratchDatabase;

namespace {
// Peak resident memory since the last reset, in KiB (Linux).
long peakRssKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}
long currentRssKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}
void resetPeakRss() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
} // namespace

TEST(BlobMemory, FiftyMegabytePhotoStreamsInSegments) {
    constexpr qint64 total = 50LL * 1024 * 1024;
    ScratchDatabase db;
    db.execute("CREATE TABLE P (B BLOB SUB_TYPE 0)");
    auto c = db.connection();
    auto t = c->startTransaction(Transaction::Kind::ReadWrite);
    {
        BlobWriter writer(*t);
        std::string chunk(65535, '\0');
        for (qint64 at = 0; at < total; at += static_cast<qint64>(chunk.size())) {
            const auto n = std::min<qint64>(static_cast<qint64>(chunk.size()), total - at);
            for (qint64 i = 0; i < n; ++i)
                chunk[static_cast<std::size_t>(i)] = static_cast<char>((at + i) * 31 % 251);
            writer.write(chunk.data(), n);
        }
        Statement(*t, "INSERT INTO P VALUES (?)").execute({QVariant::fromValue(writer.finish())});
    }
    t->commit();

    auto r = c->startTransaction(Transaction::Kind::ReadOnly);
    Statement s(*r, "SELECT B FROM P");
    s.openCursor();
    QVariantList row;
    ASSERT_TRUE(s.fetch(row));

    const QString out = db.folder() + "/big.jpg";
    resetPeakRss();
    const long before = currentRssKib();
    {
        BlobReader reader(*r, row[0].value<BlobId>());
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        std::string buffer(65535, '\0');
        for (qint64 n; (n = reader.read(buffer.data(), 65535)) > 0;)
            ASSERT_EQ(file.write(buffer.data(), n), n);
    }
    const long growth = peakRssKib() - before;
    RecordProperty("peak_rss_growth_kib", static_cast<int>(growth));
    std::printf("peak RSS growth while streaming 50 MB: %ld KiB\n", growth);
    EXPECT_LT(growth, 16 * 1024);

    QFile check(out);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.size(), total);
    const QByteArray head = check.read(1000);
    for (int i = 0; i < head.size(); ++i)
        ASSERT_EQ(static_cast<unsigned char>(head[i]), static_cast<unsigned char>(i * 31 % 251));
}
