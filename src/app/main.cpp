#include "app/AppDelegate.h"
#include "app/AppVersion.h"
#include "app/DisplayProbe.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/ApplicationId.h"
#include "platform/ClipboardPasteboard.h"
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
#include <QToolTip>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Before Qt starts: without a display it would abort with a plugin error.
    const DisplayChoice display = DisplayProbe::choose(DisplayEnvironment::current(), argc > 0 ? argv[0] : "scrapwick");
    if (display.problem) {
        std::fprintf(stderr, "%s\n", display.problem->c_str());
        return EXIT_FAILURE;
    }
    if (display.platform)
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*display.platform));

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Scrapwick"));
    QApplication::setApplicationName(QStringLiteral("Scrapwick"));
    QApplication::setApplicationVersion(QString::fromLatin1(appVersion));
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
    HelperScreenCapture screenCapture(screenshotPortal);
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
    return QApplication::exec();
}
