#include "cli/progress.h"

#include <QByteArray>

namespace tirelon::cli {

namespace {

constexpr double bytesPerMB = 1024.0 * 1024.0;

QByteArray duration(qint64 seconds) {
    if (seconds >= 3600)
        return QByteArray::number(seconds / 3600) + ':' +
               QByteArray::number(seconds / 60 % 60).rightJustified(2, '0') + ':' +
               QByteArray::number(seconds % 60).rightJustified(2, '0');
    return QByteArray::number(seconds / 60) + ':' +
           QByteArray::number(seconds % 60).rightJustified(2, '0');
}

} // namespace

ProgressReporter::ProgressReporter(Mode mode, std::FILE* out) : mode_(mode), out_(out) {
    clock_.start();
}

void ProgressReporter::started(int rowsFetched) {
    total_ = rowsFetched;
}

void ProgressReporter::rowReached(int, const QString&) {
    // The rows before this one are done: a line due now counts their photos.
    rowsDone_ = rowsReached_++;
    maybeReport();
}

void ProgressReporter::photoWritten(const QString&, qint64 bytes) {
    ++photos_;
    bytes_ += bytes;
}

void ProgressReporter::finished() {
    rowsDone_ = rowsReached_;
    if (mode_ == Mode::Terminal) {
        report(); // the line shows the final count before the summary
        breakLine();
    }
}

void ProgressReporter::maybeReport() {
    if (mode_ == Mode::Silent)
        return;
    const qint64 now = clock_.elapsed();
    if (mode_ == Mode::Terminal) {
        if (now - lastReportMs_ < terminalIntervalMs)
            return;
    } else if ((rowsDone_ == 0 || rowsDone_ % lineEveryRows != 0) &&
               now - lastReportMs_ < lineIntervalMs) {
        return;
    }
    lastReportMs_ = now;
    report();
}

void ProgressReporter::report() {
    if (mode_ == Mode::Silent)
        return;
    const double seconds = clock_.elapsed() / 1000.0;
    const double mb = bytes_ / bytesPerMB;
    QByteArray text = QByteArray::number(rowsDone_) + '/' + QByteArray::number(total_) +
                      " filas, " + QByteArray::number(photos_) + " fotos, " +
                      QByteArray::number(mb, 'f', 1) + " MB";
    if (seconds > 0)
        text += ", " + QByteArray::number(mb / seconds, 'f', 1) + " MB/s";
    if (rowsDone_ > 0 && rowsDone_ < total_) {
        const double remaining = seconds * (total_ - rowsDone_) / rowsDone_;
        text += ", quedan " + duration(static_cast<qint64>(remaining + 0.5));
    }
    if (mode_ == Mode::Terminal) {
        // \r back to the start, the text, then clear what a longer line left.
        std::fputs(("\r" + text + "\033[K").constData(), out_);
        lineOpen_ = true;
    } else {
        std::fputs(("exportar-imagenes-cli: " + text + "\n").constData(), out_);
    }
    std::fflush(out_);
}

void ProgressReporter::breakLine() {
    if (lineOpen_) {
        std::fputc('\n', out_);
        std::fflush(out_);
        lineOpen_ = false;
    }
}

void ProgressReporter::printSummary(const ExportSummary& summary, int photosKept) {
    breakLine();
    QByteArray text = "Filas: " + QByteArray::number(summary.rows) +
                      ", fotos escritas: " + QByteArray::number(summary.photos - photosKept);
    if (photosKept > 0)
        text += ", fotos sin cambios: " + QByteArray::number(photosKept);
    text += ", filas sin foto: " + QByteArray::number(summary.rowsWithoutPhoto) + ", " +
            QByteArray::number(summary.bytes / bytesPerMB, 'f', 1) + " MB, " +
            QByteArray::number(clock_.elapsed() / 1000.0, 'f', 1) + " s\n";
    std::fputs(text.constData(), out_);
    std::fflush(out_);
}

} // namespace tirelon::cli
