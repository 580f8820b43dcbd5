// The command line of a start of scrapwick, and what the running instance makes
// of the request it is handed: any arguments give one answer; a request to
// import reaches the instance as the same absolute files, none lost or added.
//
// Input: the working directory, then the arguments, separated by NUL bytes
// (which no argument can hold).

#include "FuzzCheck.h"

#include "app/AppCommands.h"
#include "app/CommandLine.h"

#include <QDir>
#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> words = fuzzBytes(data, size).split('\0');
    QStringList arguments;
    for (qsizetype i = 1; i < words.size(); ++i)
        arguments.append(QString::fromUtf8(words[i])); // as argv is decoded
    const QString workingDirectory = QString::fromUtf8(words[0]);

    const CommandLineRequest request = CommandLine::parse(arguments, workingDirectory);
    if (request.kind == CommandLineRequest::Kind::invalid)
        FUZZ_CHECK(request.error.startsWith(QLatin1String("scrapwick: ")));
    if (request.kind != CommandLineRequest::Kind::run || request.call.method != ApplicationCall::Method::open)
        return 0;

    const AppCommand command = AppCommands::fromCall(request.call);
    FUZZ_CHECK(command.kind == AppCommand::Kind::importFiles && command.logLines.isEmpty());
    FUZZ_CHECK(command.paths.size() == request.call.uris.size());
    for (qsizetype i = 0; i < command.paths.size(); ++i) {
        FUZZ_CHECK(command.paths[i].startsWith(QLatin1Char('/')));
        FUZZ_CHECK(command.paths[i] == QDir::cleanPath(QUrl(request.call.uris[i]).toLocalFile()));
    }
    return 0;
}
