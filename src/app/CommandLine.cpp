#include "app/CommandLine.h"

#include "app/ApplicationActions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>

#include <array>
#include <optional>

namespace {

const QString program = QStringLiteral("scrapwick");

struct Options {
    QCommandLineOption help { { "h", "help" }, "Show this help and exit." };
    QCommandLineOption version { { "v", "version" }, "Show the version and where the capture helper is, and exit." };
    QCommandLineOption crop { "crop", "Start cutting out: draw a loop around what you want." };
    QCommandLineOption gallery { "gallery", "Show or hide the Idea Gallery." };
    QCommandLineOption moodBoard { "moodboard", "Show or hide the Mood Board." };
    QCommandLineOption import { "import", "Add the picture FILEs to the Idea Gallery as cut-outs." };
    QCommandLineOption quit { "quit", "Quit the running Scrapwick." };

    // The actions, of which a start takes one, in the order the help lists them.
    [[nodiscard]] std::array<const QCommandLineOption*, 5> actions() const
    {
        return { &crop, &gallery, &moodBoard, &import, &quit };
    }
};

void describe(QCommandLineParser& parser, const Options& options)
{
    parser.setApplicationDescription(
        "Cut free-form pieces out of your screen, collect them and arrange them into collages.\n"
        "Scrapwick runs once per session: a second start hands its request to the running one.");
    parser.addOptions({ options.crop, options.gallery, options.moodBoard, options.import, options.quit, options.help,
        options.version });
    parser.addPositionalArgument("FILE", "Pictures for --import (PNG, JPEG, HEIC/HEIF, WebP, GIF).", "[FILE...]");
}

CommandLineRequest invalid(const QString& message)
{
    return { CommandLineRequest::Kind::invalid, {}, program + QStringLiteral(": ") + message };
}

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The file:// address of one --import argument, or why there is none.
struct ImportTarget {
    QString uri;
    QString problem;
};

ImportTarget importTarget(const QString& argument, const QString& workingDirectory)
{
    if (argument.isEmpty())
        return { {}, QStringLiteral("--import got an empty file name") };
    static const QRegularExpression address(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    QString path = argument;
    if (address.match(argument).hasMatch()) {
        const QUrl url(argument);
        if (!url.isLocalFile())
            return { {}, QStringLiteral("web addresses are not fetched, only files are imported: ") + argument };
        if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
            return { {}, QStringLiteral("files on other computers are not imported: ") + argument };
        path = url.path(QUrl::FullyDecoded);
    }
    if (QDir::isRelativePath(path)) {
        if (workingDirectory.isEmpty() || QDir::isRelativePath(workingDirectory))
            return { {}, QStringLiteral("cannot tell where %1 is: the working directory is unknown").arg(argument) };
        path = workingDirectory + QLatin1Char('/') + path;
    }
    return { QUrl::fromLocalFile(QDir::cleanPath(path)).toString(QUrl::FullyEncoded), {} };
}

} // namespace

namespace CommandLine {

CommandLineRequest parse(const QStringList& arguments, const QString& workingDirectory)
{
    const Options options;
    QCommandLineParser parser;
    describe(parser, options);
    if (!parser.parse(QStringList { program } + arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        return invalid((unknown.isEmpty() ? parser.errorText() : "unknown option " + dashed(unknown.first()))
            + " (scrapwick --help lists the options)");
    }
    if (parser.isSet(options.help))
        return { CommandLineRequest::Kind::help, {}, {} };
    if (parser.isSet(options.version))
        return { CommandLineRequest::Kind::version, {}, {} };

    std::optional<QString> chosen;
    for (const QCommandLineOption* action : options.actions()) {
        if (!parser.isSet(*action))
            continue;
        const QString name = "--" + action->names().constLast();
        if (chosen)
            return invalid(*chosen + " and " + name + " cannot be combined: give one at a time");
        chosen = name;
    }

    const QStringList files = parser.positionalArguments();
    if (parser.isSet(options.import)) {
        if (files.isEmpty())
            return invalid(QStringLiteral("--import needs at least one picture file"));
        QStringList uris;
        for (const QString& file : files) {
            const ImportTarget target = importTarget(file, workingDirectory);
            if (!target.problem.isEmpty())
                return invalid(target.problem);
            uris.append(target.uri);
        }
        return { CommandLineRequest::Kind::run, ApplicationCall::open(uris), {} };
    }
    if (!files.isEmpty())
        return invalid(QStringLiteral("unexpected argument \"%1\" (to import pictures: scrapwick --import FILE...)")
                           .arg(files.first()));

    const std::pair<const QCommandLineOption*, QString> named[] = {
        { &options.crop, ApplicationActions::crop },
        { &options.gallery, ApplicationActions::gallery },
        { &options.moodBoard, ApplicationActions::moodBoard },
        { &options.quit, ApplicationActions::quit },
    };
    for (const auto& [option, action] : named)
        if (parser.isSet(*option))
            return { CommandLineRequest::Kind::run, ApplicationCall::action(action), {} };
    return { CommandLineRequest::Kind::run, ApplicationCall::activate(), {} };
}

QString helpText()
{
    const Options options;
    QCommandLineParser parser;
    describe(parser, options);
    return parser.helpText()
        + "\nWithout options, Scrapwick starts, or shows its panel if it is running already.\n"
          "Exit status: 0 done or handed to the running Scrapwick, 1 cannot run, 2 bad arguments.\n";
}

QStringList versionLines(const QString& version, const QString& helperPath, bool helperFound)
{
    return { "Scrapwick " + version,
        "Capture helper: " + (helperFound ? helperPath : "not found (" + helperPath + ')') };
}

} // namespace CommandLine
