#pragma once

#include <QString>
#include <QStringList>

namespace tirelon::cli {

// Exit status of the headless exporter; the help text lists them.
enum ExitCode : int {
    exitOk = 0,         // every photo written
    exitFailure = 1,    // anything else
    exitUsage = 2,      // bad command line
    exitConnection = 3, // log-in or connection failure
    exitQuery = 4,      // the photo query (or reading its rows) failed
    exitPhotoFile = 5,  // a photo file could not be written; the export stopped there
};

struct Options {
    QString server;
    QString company;
    QString user;
    QString password;
    bool passwordOnCommandLine = false; // given with -p/--clave
    bool list = false;
    bool quiet = false;
    bool onlyChanges = false;
};

struct ParseResult {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Usage;
    Options options;
    QString error; // Spanish text of a usage error
};

// Reads the command line (arguments[0] is the program) together with the
// environment's ISC_USER and ISC_PASSWORD, which the options override. A
// password file is read here; one that cannot be read is a usage error.
ParseResult parseCommandLine(const QStringList& arguments);

QString helpText();

} // namespace tirelon::cli
