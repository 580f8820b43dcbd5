// A call of org.freedesktop.Application from any program on the session bus
// (Activate, Open with addresses, ActivateAction with a name): any values give
// a command whose files are absolute local paths and whose log lines stay one
// line each, so no caller can forge a line of the log.
//
// Input: one byte for the method, then NUL-separated addresses (Open) or the
// action's name (ActivateAction).

#include "FuzzCheck.h"

#include "app/AppCommands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest = fuzzBytes(data + 1, size - 1);
    ApplicationCall call;
    switch (data[0] % 3) {
    case 0:
        call = ApplicationCall::activate();
        break;
    case 1: {
        QStringList uris;
        for (const QByteArray& uri : rest.split('\0'))
            uris.append(QString::fromUtf8(uri));
        call = ApplicationCall::open(uris);
        break;
    }
    default:
        call = ApplicationCall::action(QString::fromUtf8(rest));
        break;
    }

    const AppCommand command = AppCommands::fromCall(call);
    for (const QString& path : command.paths)
        FUZZ_CHECK(path.startsWith(QLatin1Char('/')));
    FUZZ_CHECK(command.kind != AppCommand::Kind::importFiles || !command.paths.isEmpty());
    for (const QString& line : command.logLines) {
        for (const QChar c : line) {
            const QChar::Category category = c.category();
            FUZZ_CHECK(category != QChar::Other_Control && category != QChar::Separator_Line
                && category != QChar::Separator_Paragraph);
        }
    }
    return 0;
}
