// exportar-imagenes-cli: the unattended export without windows. It logs in to one
// company, writes every article photo to its file below IMAGENES, reports errors
// with the same Spanish texts and ERRORES.TXT entries as the windows, and ends
// with an exit status that tells what failed.
#include "cli/options.h"
#include "cli/progress.h"
#include "data/dm.h"
#include "data/fb/database.h"
#include "data/fb/dberror.h"
#include "export/streamedexport.h"
#include "platform/dialogs.h"
#include "platform/exceptiondoor.h"
#include "settings/installdir.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <unistd.h>

using namespace tirelon;
using namespace tirelon::cli;

namespace {

// Messages of the error handler and of the installation directory go to standard
// error; a progress line being rewritten in place is ended first.
class CliDialogs : public DialogService {
public:
    explicit CliDialogs(std::function<void()> beforeMessage)
        : beforeMessage_(std::move(beforeMessage)) {}
    void information(const QString& text) override {
        beforeMessage_();
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    void error(const QString& caption, const QString& text) override {
        beforeMessage_();
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                     text.toLocal8Bit().constData());
    }
    void beep() override {}

private:
    std::function<void()> beforeMessage_;
};

// Overwrites a password given on the command line in the process's argument
// vector, so that it no longer shows in process listings once we have read it.
void wipePasswordArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            return;
        if ((std::strcmp(arg, "-p") == 0 || std::strcmp(arg, "--clave") == 0) && i + 1 < argc) {
            std::memset(argv[i + 1], 'x', std::strlen(argv[i + 1]));
            ++i;
        } else if (std::strncmp(arg, "--clave=", 8) == 0) {
            std::memset(arg + 8, 'x', std::strlen(arg + 8));
        } else if (std::strncmp(arg, "-p", 2) == 0 && arg[2] != '\0' && arg[1] != '-') {
            std::memset(arg + 2, 'x', std::strlen(arg + 2));
        }
    }
}

// Which step was running when an exception left the export, for the exit status.
enum class Step { Connecting, Querying, Rows, Writing };

class StepTracker : public ExportObserver {
public:
    StepTracker(Step& step, ExportObserver& next, const PhotoFileWriter& writer)
        : step_(step), next_(next), writer_(writer) {}
    void started(int rows) override {
        step_ = Step::Rows;
        next_.started(rows);
    }
    void rowReached(int row, const QString& code) override {
        step_ = Step::Rows;
        next_.rowReached(row, code);
    }
    void photoWritten(const QString& path, qint64 bytes) override {
        if (writer_.lastKeptExisting())
            ++kept_;
        next_.photoWritten(path, bytes);
    }
    void finished() override { next_.finished(); }
    // Photos whose file already held the same bytes and was left alone.
    int kept() const { return kept_; }

private:
    Step& step_;
    ExportObserver& next_;
    const PhotoFileWriter& writer_;
    int kept_ = 0;
};

int exitCodeFor(Step step, const std::exception_ptr& error) {
    bool database = false;
    try {
        std::rethrow_exception(error);
    } catch (const fb::DbError&) {
        database = true;
    } catch (...) {
    }
    switch (step) {
    case Step::Connecting:
        return exitConnection;
    case Step::Querying:
        return exitQuery;
    case Step::Rows:
        return database ? exitQuery : exitFailure;
    case Step::Writing:
        // Reading the photo's bytes from the database can fail too.
        return database ? exitQuery : exitPhotoFile;
    }
    return exitFailure;
}

void writeList(const std::vector<ExportedRow>& rows) {
    // One row per line; a tab or line break inside a text would break the columns.
    auto clean = [](QString text) {
        for (QChar& c : text)
            if (c == u'\t' || c == u'\n' || c == u'\r')
                c = u' ';
        return text.toLocal8Bit();
    };
    for (const ExportedRow& row : rows) {
        const QByteArray line = clean(row.code) + '\t' + clean(row.description) + '\t' +
                                QByteArray::number(row.item) + '\t' + (row.written ? "si" : "no") +
                                '\n';
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    }
    std::fflush(stdout);
}

} // namespace

static int run(int argc, char** argv) {
    // A photo beyond the file size limit fails as a write error instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("exportar-imagenes-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIRELON_VERSION));

    const ParseResult parsed = parseCommandLine(QCoreApplication::arguments());
    wipePasswordArgument(argc, argv);
    switch (parsed.action) {
    case ParseResult::Action::Help:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return exitOk;
    case ParseResult::Action::Version:
        std::printf("exportar-imagenes-cli %s\n", TIRELON_VERSION);
        return exitOk;
    case ParseResult::Action::Usage:
        std::fprintf(stderr,
                     "exportar-imagenes-cli: %s\n"
                     "Pruebe 'exportar-imagenes-cli --help' para más información.\n",
                     parsed.error.toLocal8Bit().constData());
        return exitUsage;
    case ParseResult::Action::Run:
        break;
    }
    const Options& options = parsed.options;
    if (options.passwordOnCommandLine)
        std::fputs("exportar-imagenes-cli: aviso: la clave dada con --clave es visible para "
                   "otros usuarios del equipo; use $ISC_PASSWORD o --clave-archivo\n",
                   stderr);

    const ProgressReporter::Mode mode = options.quiet             ? ProgressReporter::Mode::Silent
                                        : ::isatty(STDERR_FILENO) ? ProgressReporter::Mode::Terminal
                                                                  : ProgressReporter::Mode::Lines;
    ProgressReporter progress(mode, stderr);

    // The data module installs ENoManejada as the handler of every failure; its
    // error box becomes a line on standard error.
    Tfdm dm;
    fdm = &dm;
    installDialogService(std::make_unique<CliDialogs>([&progress] { progress.breakLine(); }));

    PhotoFileWriter writer;
    writer.setSkipUnchanged(options.onlyChanges);

    std::vector<ExportedRow> listed;
    Step step = Step::Connecting;
    StepTracker tracker(step, progress, writer);
    try {
        dm.ConectarCompania(options.server, options.company, options.user, options.password);
        step = Step::Querying;
        // Rows are read and written one at a time, small photos inside their rows.
        const ExportSummary summary = exportArticlePhotosStreamed(
            *dm.Tirelon, tracker,
            [&] {
                const QString dir = installationDirectory();
                step = Step::Writing;
                return dir;
            },
            writer, options.list ? &listed : nullptr);
        if (options.list)
            writeList(listed);
        if (!options.quiet)
            progress.printSummary(summary, tracker.kept());
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        handleApplicationError(&dm, error);
        if (options.list)
            writeList(listed);
        return exitCodeFor(step, error);
    }
    return exitOk;
}

int main(int argc, char** argv) {
    const int code = run(argc, argv);
    // Everything that used the database is gone: stop the embedded engine cleanly.
    tirelon::fb::shutdownClient();
    return code;
}
