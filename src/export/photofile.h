#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <memory>

namespace tirelon {

// Path of the exported file of one article photo:
// installDir + "/IMAGENES/" + code + "-" + item + ".jpg".
// installDir and code are used exactly as given (nothing trimmed, no separator added or
// removed); a backslash in the code is a path separator, so a code can address a subfolder
// of IMAGENES. The item is written in decimal with a leading "-" when negative.
// A code with a ".." component, which would place the file outside IMAGENES, is refused:
// throws Error("Cannot create file \"<absolute path>\". Invalid file name").
QString photoFilePath(const QString& installDir, const QString& code, qint32 item);

// Writes photo files from a stream of chunks, replacing an existing file of the same name
// only once the new bytes are complete.
//
// The bytes go to a temporary file in the destination folder, which is renamed over the
// final name after the last byte is written and the file is closed. On any failure,
// including an exception thrown by the chunk reader, the temporary file is removed and an
// existing file of that name is left as it was. The destination folder is never created.
//
// Errors (tirelon::Error):
//   "Cannot create file \"<absolute path>\". <reason>" when the file cannot be created or
//   put in place (missing folder, not a folder, no rights, name not valid); <reason> is the
//   system's description of the cause.
//   "Stream write error" when writing fails part-way (disk full, file too large, I/O error).
//   "Stream read error" when the chunk reader reports an impossible byte count.
//
// One writer keeps its buffers from one photo to the next; it is not for concurrent use.
class PhotoFileWriter {
public:
    // Fills buffer with up to capacity bytes and returns how many it put there; 0 at the end
    // of the photo. It may throw; the write is then abandoned and the exception passed on.
    using ChunkReader = std::function<qint64(char* buffer, qint64 capacity)>;

    static constexpr qint64 bufferSize = 64 * 1024;

    PhotoFileWriter();
    ~PhotoFileWriter();
    PhotoFileWriter(const PhotoFileWriter&) = delete;
    PhotoFileWriter& operator=(const PhotoFileWriter&) = delete;

    // When on, and a regular file of the name exists whose size equals the expectedSize given
    // to write(), the incoming bytes are compared with it and, if all of them match, the
    // existing file is left in place untouched. Off by default.
    void setSkipUnchanged(bool on) { skipUnchanged_ = on; }
    bool skipUnchanged() const { return skipUnchanged_; }

    // Writes all chunks of readChunk to the file at path and returns the photo's size in bytes.
    // expectedSize is the size the caller announces (-1 when unknown); it only enables the
    // unchanged-file check and never limits what is written.
    qint64 write(const QString& path, const ChunkReader& readChunk, qint64 expectedSize = -1);

    // Size in bytes of the photo last written successfully.
    qint64 lastBytes() const { return lastBytes_; }
    // Whether the last successful write found an identical file and left it in place.
    bool lastKeptExisting() const { return lastKeptExisting_; }

private:
    class Job;

    std::unique_ptr<char[]> buffer_;
    std::unique_ptr<char[]> compareBuffer_; // allocated on the first comparison
    std::uint64_t nameState_;
    bool skipUnchanged_ = false;
    bool replacing_ = false;      // the last name checked held a file
    bool noReplaceRename_ = true; // the file system takes a rename that never replaces
    qint64 lastBytes_ = 0;
    bool lastKeptExisting_ = false;
};

} // namespace tirelon
