#include "app/AppCommands.h"

#include "app/ApplicationActions.h"
#include "gallery/GalleryImporter.h"
#include "gallery/ImportRequest.h"

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
    QList<QUrl> urls;
    QStringList invalid;
    for (const QString& uri : uris) {
        const QUrl url(uri, QUrl::StrictMode);
        // A relative file address names a place in a folder we do not know.
        const bool relativeFile = url.isLocalFile() && !url.path().startsWith(QLatin1Char('/'));
        if (url.isValid() && !url.scheme().isEmpty() && !relativeFile)
            urls.append(url);
        else
            invalid.append(uri);
    }
    // The same rules as a drop: local files in order; pictures from the web
    // are not fetched.
    const ImportRequest request = ImportRequest::fromUrls(urls);
    QStringList paths;
    for (const ImportSource& source : request.sources)
        paths.append(QDir::cleanPath(std::get<QString>(source.picture)));
    AppCommand command { paths.isEmpty() ? AppCommand::Kind::nothing : AppCommand::Kind::importFiles, paths, {} };
    if (!request.skippedRemoteUrls.isEmpty())
        command.logLines.append(GalleryImporter::skippedRemoteLine(request.skippedRemoteUrls));
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
