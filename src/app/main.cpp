#include "app/AppCommands.h"
#include "app/AppDelegate.h"
#include "app/AppVersion.h"
#include "app/CommandLine.h"
#include "app/DisplayProbe.h"
#include "app/InstanceStartup.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/ApplicationId.h"
#include "platform/ClipboardPasteboard.h"
#include "platform/DBusApplicationBus.h"
#include "platform/DesktopScreenshotPortal.h"
#include "platform/DesktopUrlOpener.h"
#include "platform/DialogFilePanels.h"
#include "platform/DisplayServerCaptureAccess.h"
#include "platform/HelperScreenCapture.h"
#include "platform/NotificationCenter.h"
#include "platform/SettingsUserDefaults.h"
#include "platform/StorageLocation.h"
#include "platform/XdgAutostartLoginItem.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QToolTip>

#include <cstdio>
#include <cstdlib>

namespace {

void printLine(std::FILE* stream, const QString& line)
{
    std::fprintf(stream, "%s\n", line.toLocal8Bit().constData());
}

void nameTheApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Scrapwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Scrapwick"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(appVersion));
}

// --help and --version: answered by any start, with or without a display or a
// session bus.
int answerAtOnce(int argc, char* argv[], CommandLineRequest::Kind kind)
{
    QCoreApplication application(argc, argv); // for the program's own path
    nameTheApplication();
    if (kind == CommandLineRequest::Kind::help) {
        std::fputs(CommandLine::helpText().toLocal8Bit().constData(), stdout);
        return ExitStatus::success;
    }
    const QFileInfo helper(HelperScreenCapture().toolProgram());
    for (const QString& line : CommandLine::versionLines(
             QString::fromLatin1(appVersion), helper.absoluteFilePath(), helper.isFile() && helper.isExecutable()))
        printLine(stdout, line);
    return ExitStatus::success;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineRequest request = CommandLine::parse(arguments, QDir::currentPath());
    if (request.kind == CommandLineRequest::Kind::invalid) {
        printLine(stderr, request.error);
        return ExitStatus::badArguments;
    }
    if (request.kind != CommandLineRequest::Kind::run)
        return answerAtOnce(argc, argv, request.kind);

    // Before Qt starts: without a display it would abort with a plugin error.
    const DisplayChoice display = DisplayProbe::choose(DisplayEnvironment::current(), argc > 0 ? argv[0] : "scrapwick");
    if (display.problem) {
        // This process cannot show anything, but a Scrapwick running on the
        // desktop can still take the request (say, --quit from a terminal).
        QCoreApplication application(argc, argv);
        DBusApplicationBus bus;
        const StartDecision decision
            = InstanceStartup::decide(bus, request.call, QString::fromStdString(*display.problem));
        if (!decision.message.isEmpty())
            printLine(stderr, decision.message);
        return decision.exitCode;
    }
    if (display.platform)
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*display.platform));

    QApplication application(argc, argv);
    // Before anything is loaded: a start that hands its request over ends here.
    DBusApplicationBus bus;
    const StartDecision decision = InstanceStartup::decide(bus, request.call, std::nullopt);
    if (!decision.message.isEmpty())
        printLine(stderr, decision.message);
    if (!decision.runHere)
        return decision.exitCode;

    nameTheApplication();
    // The program lives in the tray: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Matches the desktop entry and icon name, so desktops group our windows with it.
    QGuiApplication::setDesktopFileName(applicationId);

    NotificationCenter notifications;
    SettingsUserDefaults defaults;
    ClipboardPasteboard pasteboard;
    DialogFilePanels filePanels;
    DesktopUrlOpener urlOpener;
    XdgAutostartLoginItem loginItem(QApplication::applicationFilePath());
    DisplayServerCaptureAccess captureAccess;
    DesktopScreenshotPortal screenshotPortal;
    HelperScreenCapture screenCapture(&screenshotPortal);
    const PlatformServices services { notifications, defaults, pasteboard, filePanels, urlOpener, loginItem,
        captureAccess, screenCapture };

    const Theme theme;
    QApplication::setWindowIcon(theme.applicationIcon());
    // Tooltips in the monochrome look: black on white in the title font.
    QPalette tipColours = QToolTip::palette();
    tipColours.setColor(QPalette::ToolTipBase, theme.palette().paper);
    tipColours.setColor(QPalette::ToolTipText, theme.palette().ink);
    QToolTip::setPalette(tipColours);
    QToolTip::setFont(theme.font(FontRole::chicago, 11));

    // Both stores live until the process ends; the canvas store reads through the gallery's.
    const QString dataFolder = StorageLocation::scrapwickFolder();
    GalleryStore galleryStore(dataFolder);
    CanvasStore canvasStore(galleryStore, dataFolder);
    AppDelegate appDelegate(services, galleryStore, canvasStore, theme);
    appDelegate.applicationDidFinishLaunching();
    // This start's own request first, then those that came in meanwhile.
    appDelegate.perform(AppCommands::fromCall(request.call));
    bus.setCallHandler(
        [&appDelegate](const ApplicationCall& call) { appDelegate.perform(AppCommands::fromCall(call)); });
    return QApplication::exec();
}
