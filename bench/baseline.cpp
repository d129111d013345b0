// baseline: the least work an export can do on this stack, to measure ours against.
//
//   baseline DATABASE OUTDIR [USER PASSWORD]
//
// Attaches with fbclient's OO API, runs the article photo query and streams every
// non-null photo to OUTDIR/<code>-<item>.jpg: getSegment into one 65,535-byte buffer,
// one write() per segment. No registry, no temporary file, no record set, no UI.
#include <firebird/Interface.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace Firebird;

constexpr char kQuery[] =
    "SELECT F.ARTI_COD, ARTI_DES, FTAR_ITEM, FTAR_IMAGEN, FTAR_NOMBRE FROM FOTOS_ARTICULO F, "
    "ARTICULO A WHERE A.ARTI_COD = F.ARTI_COD ORDER BY A.ARTI_COD";

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "baseline: %s\n", what);
    std::exit(1);
}

void writeAll(int fd, const char* data, std::size_t length, const std::string& path) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "baseline: write %s: %s\n", path.c_str(), std::strerror(errno));
            std::exit(1);
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
}

template <typename T> T load(const std::vector<unsigned char>& row, unsigned offset) {
    T value;
    std::memcpy(&value, row.data() + offset, sizeof value);
    return value;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: baseline DATABASE OUTDIR [USER PASSWORD]\n");
        return 2;
    }
    const char* database = argv[1];
    const std::string outDir = argv[2];
    const char* user = argc == 5 ? argv[3] : "SYSDBA";
    const char* password = argc == 5 ? argv[4] : "masterkey";

    IMaster* master = fb_get_master_interface();
    IStatus* rawStatus = master->getStatus();
    ThrowStatusWrapper status(rawStatus);
    IUtil* util = master->getUtilInterface();
    IProvider* provider = master->getDispatcher();

    long long photos = 0;
    long long bytes = 0;
    try {
        IXpbBuilder* dpb = util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status, isc_dpb_user_name, user);
        dpb->insertString(&status, isc_dpb_password, password);
        IAttachment* attachment = provider->attachDatabase(
            &status, database, dpb->getBufferLength(&status), dpb->getBuffer(&status));
        dpb->dispose();

        const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                     isc_tpb_rec_version, isc_tpb_nowait};
        ITransaction* transaction = attachment->startTransaction(&status, sizeof tpb, tpb);
        IStatement* statement = attachment->prepare(&status, transaction, 0, kQuery, 3,
                                                    IStatement::PREPARE_PREFETCH_METADATA);
        IMessageMetadata* meta = statement->getOutputMetadata(&status);

        // Columns 0 (code, VARCHAR), 2 (item, INTEGER) and 3 (photo, BLOB) are used.
        const unsigned codeOffset = meta->getOffset(&status, 0);
        const unsigned codeNull = meta->getNullOffset(&status, 0);
        const unsigned itemOffset = meta->getOffset(&status, 2);
        const unsigned blobOffset = meta->getOffset(&status, 3);
        const unsigned blobNull = meta->getNullOffset(&status, 3);
        std::vector<unsigned char> row(meta->getMessageLength(&status));

        IResultSet* cursor = statement->openCursor(&status, transaction, nullptr, nullptr, meta, 0);
        std::vector<char> segment(65535);
        std::string path;
        while (cursor->fetchNext(&status, row.data()) == IStatus::RESULT_OK) {
            if (load<short>(row, blobNull) != 0)
                continue;
            if (load<short>(row, codeNull) != 0)
                fail("NULL article code");
            const auto codeLength = load<unsigned short>(row, codeOffset);
            const char* code = reinterpret_cast<const char*>(&row[codeOffset + 2]);
            const int item = load<int>(row, itemOffset);
            path = outDir;
            path += '/';
            path.append(code, codeLength);
            path += '-';
            path += std::to_string(item);
            path += ".jpg";

            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0) {
                std::fprintf(stderr, "baseline: open %s: %s\n", path.c_str(), std::strerror(errno));
                return 1;
            }
            ISC_QUAD id = load<ISC_QUAD>(row, blobOffset);
            IBlob* blob = attachment->openBlob(&status, transaction, &id, 0, nullptr);
            for (;;) {
                unsigned got = 0;
                const int result = blob->getSegment(&status, static_cast<unsigned>(segment.size()),
                                                    segment.data(), &got);
                if (result != IStatus::RESULT_OK && result != IStatus::RESULT_SEGMENT)
                    break;
                writeAll(fd, segment.data(), got, path);
                bytes += got;
            }
            blob->close(&status);
            if (::close(fd) != 0) {
                std::fprintf(stderr, "baseline: close %s: %s\n", path.c_str(),
                             std::strerror(errno));
                return 1;
            }
            ++photos;
        }
        cursor->close(&status);
        meta->release();
        statement->free(&status);
        transaction->commit(&status);
        attachment->detach(&status);
    } catch (const FbException& e) {
        char text[1024];
        util->formatStatus(text, sizeof text, e.getStatus());
        std::fprintf(stderr, "baseline: %s\n", text);
        return 1;
    }
    rawStatus->dispose();
    provider->release();
    std::printf("%lld photos, %lld bytes\n", photos, bytes);
    return 0;
}
