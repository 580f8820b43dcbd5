#include "app/AppCommands.h"

#include "app/ApplicationActions.h"

#include <QDir>
#include <QUrl>

namespace {

// `text` with every control character and line or paragraph separator shown
// as \u{…}, so that no address can break a log line in two or forge another.
QString oneLine(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            shown += QStringLiteral("\\u{%1}").arg(c.unicode(), 0, 16);
        else
            shown += c;
    }
    return shown;
}

QString summary(const QString& what, const QStringList& items)
{
    QStringList shown;
    for (const QString& item : items)
        shown.append(oneLine(item));
    return QStringLiteral("[Import] Skipped %1 %2: %3").arg(items.size()).arg(what, shown.join(QStringLiteral(", ")));
}

AppCommand open(const QStringList& uris)
{
    QStringList paths, remote, invalid;
    for (const QString& uri : uris) {
        const QUrl url(uri, QUrl::StrictMode);
        const bool thisComputer = url.host().isEmpty() || url.host() == QLatin1String("localhost");
        // Not toLocalFile(): it would keep "localhost" as a network share.
        const QString path = url.isLocalFile() && thisComputer ? url.path(QUrl::FullyDecoded) : QString();
        if (!url.isValid() || url.scheme().isEmpty())
            invalid.append(uri);
        else if (!url.isLocalFile() || !thisComputer)
            remote.append(url.toDisplayString()); // without any password
        else if (QDir::isAbsolutePath(path))
            paths.append(QDir::cleanPath(path));
        else
            invalid.append(uri); // relative to a directory we do not know
    }
    AppCommand command { paths.isEmpty() ? AppCommand::Kind::nothing : AppCommand::Kind::importFiles, paths, {} };
    // Pictures from the web are not fetched: the drop or the caller decides that.
    if (!remote.isEmpty())
        command.logLines.append(summary(QStringLiteral("remote file(s)"), remote));
    if (!invalid.isEmpty())
        command.logLines.append(summary(QStringLiteral("address(es) that are not file addresses"), invalid));
    return command;
}

AppCommand action(const QString& name)
{
    // The actions take no parameter; one given anyway is ignored, as a
    // launcher that passes platform values along may do.
    const std::pair<QString, AppCommand::Kind> known[] = {
        { ApplicationActions::crop, AppCommand::Kind::enterCropMode },
        { ApplicationActions::gallery, AppCommand::Kind::toggleIdeaGallery },
        { ApplicationActions::moodBoard, AppCommand::Kind::toggleMoodBoard },
        { ApplicationActions::quit, AppCommand::Kind::quit },
    };
    for (const auto& [actionName, kind] : known)
        if (name == actionName)
            return { kind, {}, {} };
    return { AppCommand::Kind::nothing, {}, { QStringLiteral("[Command] Ignored unknown action: ") + oneLine(name) } };
}

} // namespace

namespace AppCommands {

AppCommand fromCall(const ApplicationCall& call)
{
    switch (call.method) {
    case ApplicationCall::Method::activate:
        return { AppCommand::Kind::activate, {}, {} };
    case ApplicationCall::Method::open:
        return open(call.uris);
    case ApplicationCall::Method::activateAction:
        return action(call.actionName);
    }
    return {};
}

} // namespace AppCommands
