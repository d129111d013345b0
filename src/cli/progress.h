#pragma once

#include "export/exporter.h"

#include <QElapsedTimer>

#include <cstdio>

namespace tirelon::cli {

// Reports the export's progress on standard error. On a terminal one line is rewritten in place at
// most ten times a second; elsewhere a plain line is added every 1000 rows or 2 seconds. The
// per-row work is a counter and a clock read; text is only built when a line is due.
class ProgressReporter : public ExportObserver {
public:
    enum class Mode { Silent, Terminal, Lines };

    ProgressReporter(Mode mode, std::FILE* out);

    void started(int rowsFetched) override;
    void rowReached(int row, const QString& code) override;
    void photoWritten(const QString& path, qint64 bytes) override;
    void finished() override;

    // Ends a line that is being rewritten in place, so that other text printed
    // next (an error) starts on a clean line.
    void breakLine();
    // The closing summary: rows, photos written, rows without photo, MB, seconds.
    void printSummary(const ExportSummary& summary, int photosKept);

    static constexpr qint64 terminalIntervalMs = 100;
    static constexpr qint64 lineIntervalMs = 2000;
    static constexpr int lineEveryRows = 1000;

private:
    void maybeReport();
    void report();

    Mode mode_;
    std::FILE* out_;
    QElapsedTimer clock_;
    qint64 lastReportMs_ = 0;
    int total_ = 0;
    int rowsReached_ = 0;
    int rowsDone_ = 0; // rows whose photo, if any, has been written
    int photos_ = 0;
    qint64 bytes_ = 0;
    bool lineOpen_ = false;
};

} // namespace tirelon::cli
