#pragma once

#include "platform/ApplicationCall.h"

#include <QString>
#include <QStringList>

// What a start of scrapwick was asked to do.
struct CommandLineRequest {
    enum class Kind { run, help, version, invalid };

    Kind kind = Kind::run;
    // run: the request, as the running instance receives it.
    ApplicationCall call;
    // invalid: one line for standard error.
    QString error;
};

// Exit statuses of the scrapwick command.
namespace ExitStatus {
constexpr int success = 0; // done, or handed to the running instance
constexpr int cannotRun = 1; // no display, or the running instance did not take the request
constexpr int badArguments = 2;
} // namespace ExitStatus

// The command line. Parsing only looks at the words: it neither reads the
// file system nor needs a QCoreApplication, so that a start can answer
// --help and --version, and refuse bad arguments, before anything else.
namespace CommandLine {
// `arguments` come without the program name. Relative paths for --import are
// made absolute against `workingDirectory`, because the running instance,
// which imports them, has a working directory of its own.
[[nodiscard]] CommandLineRequest parse(const QStringList& arguments, const QString& workingDirectory);
[[nodiscard]] QString helpText();
// The two lines --version prints: the version and where the capture helper is
// (`helperFound`: `helperPath` names an executable file), so that a packager
// sees at once whether the helper was installed where it is looked for.
[[nodiscard]] QStringList versionLines(const QString& version, const QString& helperPath, bool helperFound);
} // namespace CommandLine
