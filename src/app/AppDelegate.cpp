#include "app/AppDelegate.h"

#include "app/AppCommands.h"
#include "app/AppVersion.h"
#include "app/ContactLinks.h"
#include "app/FloatingPanel.h"
#include "app/FloatingPanelView.h"
#include "canvas/CanvasStore.h"
#include "capture/CropOverlayWindow.h"
#include "capture/ScreenLayout.h"
#include "gallery/GalleryStore.h"
#include "gallery_ui/IdeaGalleryWindowController.h"
#include "moodboard_ui/MoodBoardWindowController.h"
#include "platform/CommandNames.h"
#include "platform/FilePanels.h"
#include "platform/Log.h"
#include "platform/LoginItem.h"
#include "platform/NotificationCenter.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenCaptureAccess.h"
#include "platform/ScreenshotPortal.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "ui/Theme.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrlQuery>

namespace {

const QString launchAtLoginKey = QStringLiteral("launchAtLogin");
const QString shapeRecognitionKey = QStringLiteral("shapeRecognition.enabled");

// How the log shows a reference that may be empty: "nil", or "Optional(...)"
// around Qt's debug text of the object, which names its class and address,
// e.g. "Optional(CropOverlayWindow(0x55d0c2a4e8f0))".
template <typename Object> QString optionalDescription(const Object* object)
{
    if (!object)
        return QStringLiteral("nil");
    QString text;
    QDebug(&text).nospace() << object;
    return QStringLiteral("Optional(") + text.trimmed() + QLatin1Char(')');
}

QList<ScreenArea> screenAreas(const QList<QScreen*>& screens)
{
    QList<ScreenArea> areas;
    for (const QScreen* screen : screens)
        areas.append({ screen->geometry(), screen->devicePixelRatio() });
    return areas;
}

// The screen crop mode covers: the one under the pointer, else the primary one.
QScreen* screenUnderPointer()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const int index = ScreenLayout::screenAt(
        screenAreas(screens), QCursor::pos(), int(screens.indexOf(QGuiApplication::primaryScreen())));
    return index >= 0 && index < screens.size() ? screens[index] : QGuiApplication::primaryScreen();
}

} // namespace

AppDelegate::AppDelegate(const PlatformServices& services, GalleryStore& galleryStore, CanvasStore& canvasStore,
    const Theme& theme, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_theme(theme)
    , m_trayIcon(theme.icon(QStringLiteral("icon-menubar")))
    , m_galleryStore(galleryStore)
    , m_canvasStore(canvasStore)
    , m_importer(galleryStore)
{
    connect(&m_importer, &GalleryImporter::progressChanged, this, [this](qsizetype done, qsizetype asked) {
        if (m_statusItem)
            m_statusItem->setToolTip(statusToolTip(done, asked));
    });
}

AppDelegate::~AppDelegate()
{
    m_services.notifications.removeObserver(this);
}

void AppDelegate::applicationDidFinishLaunching()
{
    setupStatusItem();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return; // the tray menu still works; nothing else can be shown
    observeCommands();
    createFloatingPanel(*screen);
}

void AppDelegate::observeCommands()
{
    const std::pair<QString, void (AppDelegate::*)()> commands[] = {
        { CommandNames::enterCropMode, &AppDelegate::enterCropMode },
        { CommandNames::exitCropMode, &AppDelegate::exitCropMode },
        { CommandNames::toggleIdeaGallery, &AppDelegate::toggleIdeaGallery },
        { CommandNames::toggleMoodBoard, &AppDelegate::toggleMoodBoard },
    };
    for (const auto& [name, operation] : commands) {
        // Removing first keeps a second registration from running a command twice.
        m_services.notifications.removeObserver(this, name);
        m_services.notifications.addObserver(
            this, name, [this, operation](const QVariantMap&) { (this->*operation)(); });
    }
}

void AppDelegate::createFloatingPanel(QScreen& screen)
{
    m_floatingPanel = std::make_unique<FloatingPanel>();
    m_floatingPanel->setFrame(FloatingPanel::initialFrame(screen.availableGeometry()));

    // Minimising keeps the panel's top edge where it is.
    const QPointer<FloatingPanel> panel = m_floatingPanel.get();
    auto* view = new FloatingPanelView(m_services.notifications, m_theme, [panel](bool minimized) {
        if (panel)
            panel->setFrame(FloatingPanel::frameForMinimized(panel->geometry(), minimized));
    });
    view->setStatusMenu(m_statusMenu.get(), [] { return QSystemTrayIcon::isSystemTrayAvailable(); });
    m_floatingPanel->setContentView(view);
    m_floatingPanel->show();
    m_floatingPanel->raise();

    // The panel stays on its screen; when that screen goes, it comes back to
    // the primary one. Checked once Qt has let go of the screen.
    connect(qApp, &QGuiApplication::screenRemoved, this,
        [this] { QTimer::singleShot(0, this, [this] { keepPanelOnScreen(); }); });
}

void AppDelegate::keepPanelOnScreen()
{
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!m_floatingPanel || !primary)
        return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    if (const auto frame
        = FloatingPanel::rescuedFrame(m_floatingPanel->geometry(), screens, primary->availableGeometry())) {
        m_floatingPanel->setScreen(primary);
        m_floatingPanel->setFrame(*frame);
    }
}

void AppDelegate::setupStatusItem()
{
    m_statusItem.reset();
    m_statusMenu = std::make_unique<QMenu>();
    QMenu& menu = *m_statusMenu;

    QMenu* about = menu.addMenu(QStringLiteral("About Scrapwick"));
    about->addAction(QStringLiteral("Version ") + QString::fromLatin1(appVersion))->setEnabled(false);
    connect(about->addAction(QStringLiteral("Scrapwick Official Website")), &QAction::triggered, this,
        &AppDelegate::openOfficialWebsite);
    menu.addSeparator();

    m_importAction = menu.addAction(QStringLiteral("Import to Idea Gallery..."));
    m_importAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    m_importAction->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_importAction, &QAction::triggered, this, &AppDelegate::importToIdeaGallery);

    QMenu* settings = menu.addMenu(QStringLiteral("Settings"));
    QAction* launchAtLogin = settings->addAction(QStringLiteral("Launch at Login"));
    launchAtLogin->setCheckable(true);
    launchAtLogin->setChecked(m_services.defaults.boolForKey(launchAtLoginKey));
    connect(launchAtLogin, &QAction::triggered, this, [this, launchAtLogin] { toggleLaunchAtLogin(launchAtLogin); });
    QAction* shapeRecognition = settings->addAction(QStringLiteral("Shape Recognition"));
    shapeRecognition->setCheckable(true);
    shapeRecognition->setChecked(m_services.defaults.boolForKey(shapeRecognitionKey));
    connect(shapeRecognition, &QAction::triggered, this,
        [this, shapeRecognition] { toggleShapeRecognition(shapeRecognition); });
    menu.addSeparator();

    connect(
        menu.addAction(QStringLiteral("Check for Updates")), &QAction::triggered, this, &AppDelegate::checkForUpdates);
    connect(menu.addAction(QStringLiteral("Contact Support")), &QAction::triggered, this, &AppDelegate::openSupport);
    menu.addSeparator();

    m_quitAction = menu.addAction(QStringLiteral("Quit Scrapwick"));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_quitAction, &QAction::triggered, QCoreApplication::instance(), &QCoreApplication::quit);

    // Marked as a template for trays that tint icons to their own colour; most Linux
    // trays draw it as it is, so the image itself is black with a white rim and reads
    // on light and dark panels alike.
    QIcon icon = m_trayIcon;
    icon.setIsMask(true);
    m_statusItem = std::make_unique<QSystemTrayIcon>(icon, this);
    m_statusItem->setToolTip(statusToolTip(m_importer.picturesDone(), m_importer.picturesAsked()));
    m_statusItem->setContextMenu(m_statusMenu.get());
    // A left click opens the same menu as a right click.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger)
            return;
        const QRect iconArea = m_statusItem->geometry();
        m_statusMenu->popup(iconArea.isValid() ? iconArea.bottomLeft() : QCursor::pos());
    });
    // Shown even without a tray: the icon docks as soon as a tray appears.
    m_statusItem->show();
}

void AppDelegate::installMenuShortcuts(QWidget* window) const
{
    if (!window)
        return;
    for (QAction* action : { m_importAction.data(), m_quitAction.data() }) {
        if (action)
            window->addAction(action);
    }
}

void AppDelegate::enterCropMode()
{
    Log::line(QStringLiteral("enterCropMode called"));
    if ((m_cropOverlayWindow && m_cropOverlayWindow->isVisible()) || m_pendingScreenshot) {
        Log::line(QStringLiteral("already in crop mode, ignoring duplicate call"));
        return;
    }
    if (!m_services.captureAccess.preflight()) {
        m_services.captureAccess.request();
        Log::line(QStringLiteral("Scrapwick: requesting screen capture permission"));
        return;
    }
    QScreen* screen = screenUnderPointer();
    ScreenshotPortal* portal = m_services.screenCapture.screenshotPortal();
    if (!portal) {
        showCropOverlay(screen, {});
        return;
    }
    // Only the desktop may read the screen here. Its picture is taken before
    // the overlay appears, which then shows it and cuts from it: what the user
    // draws on is exactly what is cut out, and nothing is read twice.
    m_pendingScreenshot = std::make_unique<QObject>();
    portal->takeScreenshot(
        *m_pendingScreenshot, [this, screen = QPointer<QScreen>(screen)](const DesktopScreenshot& shot) {
            m_pendingScreenshot.reset();
            QString failure = shot.failure;
            QImage pixels;
            if (failure.isEmpty() && !screen) {
                failure = QStringLiteral("the screen went away");
            } else if (failure.isEmpty()) {
                const QList<QScreen*> screens = QGuiApplication::screens();
                pixels = ScreenLayout::screenPixels(
                    shot.layout, screenAreas(screens), int(screens.indexOf(screen.data())));
                if (pixels.isNull())
                    failure = QStringLiteral("the desktop's picture (%1 x %2) does not match the screens")
                                  .arg(shot.layout.width())
                                  .arg(shot.layout.height());
            }
            if (!failure.isEmpty()) {
                Log::line(QStringLiteral("[Capture] screenshot portal unavailable: ") + failure);
                m_services.notifications.post(CommandNames::exitCropMode);
                return;
            }
            showCropOverlay(screen, pixels);
        });
}

void AppDelegate::showCropOverlay(QScreen* screen, const QImage& frozenScreen)
{
    if (m_cropOverlayWindow) {
        // Safe to delete at once: an overlay never starts a crop mode itself, so
        // this never runs inside one of its own handlers.
        m_cropOverlayWindow->hide();
        m_cropOverlayWindow.reset();
    }
    m_cropOverlayWindow = std::make_unique<CropOverlayWindow>(m_galleryStore, m_services, screen, frozenScreen);
    m_cropOverlayWindow->show();
    m_cropOverlayWindow->raise();
    m_cropOverlayWindow->activateWindow();
    m_cropOverlayWindow->setFocus(Qt::ActiveWindowFocusReason);
}

void AppDelegate::exitCropMode()
{
    Log::line(QStringLiteral("exitCropMode called, window: ") + optionalDescription(m_cropOverlayWindow.get()));
    // A picture still awaited from the desktop is no longer wanted.
    m_pendingScreenshot.reset();
    if (m_cropOverlayWindow) {
        // Kept until the next crop mode replaces it.
        m_cropOverlayWindow->hide();
        m_cropOverlayWindow->resetDrawing();
    }
    Log::line(QStringLiteral("crop mode exited"));
    m_services.notifications.post(CommandNames::cropDidComplete);
}

void AppDelegate::toggleIdeaGallery()
{
    Log::line(QStringLiteral("toggleIdeaGallery notification received"));
    if (!m_ideaGalleryController)
        m_ideaGalleryController = std::make_unique<IdeaGalleryWindowController>(
            m_galleryStore, m_canvasStore, m_importer, m_services, m_theme);
    Log::line(QStringLiteral("controller: ") + optionalDescription(m_ideaGalleryController.get()));

    QWidget* window = m_ideaGalleryController->window();
    if (window && window->isVisible()) {
        window->hide();
    } else {
        m_ideaGalleryController->show();
        installMenuShortcuts(m_ideaGalleryController->window());
    }
    window = m_ideaGalleryController->window();
    m_services.notifications.post(
        CommandNames::galleryVisibilityChanged, { { CommandNames::isOpenKey, window && window->isVisible() } });
}

void AppDelegate::toggleMoodBoard()
{
    Log::line(QStringLiteral("toggleMoodBoard notification received"));
    if (!m_moodBoardController)
        m_moodBoardController = std::make_unique<MoodBoardWindowController>(
            m_galleryStore, m_canvasStore, m_importer, m_services, m_theme);

    QWidget* window = m_moodBoardController->window();
    if (window && window->isVisible()) {
        window->close(); // its controller announces the closing itself
    } else {
        m_moodBoardController->show();
        installMenuShortcuts(m_moodBoardController->window());
    }
    window = m_moodBoardController->window();
    m_services.notifications.post(
        CommandNames::moodBoardVisibilityChanged, { { CommandNames::isOpenKey, window && window->isVisible() } });
}

void AppDelegate::importToIdeaGallery()
{
    OpenPanelRequest request;
    request.title = QStringLiteral("Import to Idea Gallery");
    request.prompt = QStringLiteral("Choose images to import");
    request.allowsMultipleSelection = true;
    // One filter for every type the importer reads, so that a mixed pick is
    // possible; "All files" lets a misnamed picture be chosen too.
    request.nameFilters
        = { QStringLiteral("Images (*.png *.jpg *.jpeg *.heic *.heif *.webp *.gif)"), QStringLiteral("All files (*)") };
    QPointer<AppDelegate> weakThis(this);
    m_services.filePanels.runOpenPanel(request, [weakThis](std::optional<QStringList> chosenPaths) {
        if (chosenPaths && weakThis)
            weakThis->importFiles(*chosenPaths);
    });
}

void AppDelegate::importFiles(const QStringList& paths)
{
    m_importer.importPictures(ImportRequest::fromFiles(paths));
}

QString AppDelegate::statusToolTip(qsizetype done, qsizetype asked)
{
    // A few pictures are in before anyone would look.
    constexpr qsizetype handful = 5;
    if (asked <= handful)
        return QStringLiteral("Scrapwick");
    return QStringLiteral("Scrapwick \u2014 importing %1 of %2\u2026").arg(std::min(done + 1, asked)).arg(asked);
}

void AppDelegate::toggleLaunchAtLogin(QAction* sender)
{
    const bool enable = sender->isChecked();
    if (!m_services.loginItem.setEnabled(enable)) {
        // Keep the check mark and the preference telling the truth.
        Log::line(enable ? QStringLiteral("[Settings] Could not add the login item")
                         : QStringLiteral("[Settings] Could not remove the login item"));
        sender->setChecked(!enable);
        return;
    }
    m_services.defaults.setBool(launchAtLoginKey, enable);
    sender->setChecked(enable);
}

void AppDelegate::toggleShapeRecognition(QAction* sender)
{
    const bool enabled = !m_services.defaults.boolForKey(shapeRecognitionKey);
    m_services.defaults.setBool(shapeRecognitionKey, enabled);
    sender->setChecked(enabled);
}

void AppDelegate::openSupport()
{
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(ContactLinks::supportAddress);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), ContactLinks::supportSubject);
    mail.setQuery(query);
    m_services.urlOpener.openUrl(mail);
}

void AppDelegate::openOfficialWebsite()
{
    m_services.urlOpener.openUrl(QUrl(ContactLinks::productPage));
}

void AppDelegate::checkForUpdates()
{
    m_services.urlOpener.openUrl(QUrl(ContactLinks::productPage));
}

void AppDelegate::perform(const AppCommand& command)
{
    for (const QString& line : command.logLines)
        Log::line(line);
    switch (command.kind) {
    case AppCommand::Kind::nothing:
        break;
    case AppCommand::Kind::activate:
        activate();
        break;
    case AppCommand::Kind::enterCropMode:
        m_services.notifications.post(CommandNames::enterCropMode);
        break;
    case AppCommand::Kind::toggleIdeaGallery:
        m_services.notifications.post(CommandNames::toggleIdeaGallery);
        break;
    case AppCommand::Kind::toggleMoodBoard:
        m_services.notifications.post(CommandNames::toggleMoodBoard);
        break;
    case AppCommand::Kind::importFiles:
        importFiles(command.paths);
        break;
    case AppCommand::Kind::quit:
        // After the current event, so that the caller's answer is sent first.
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        break;
    }
}

void AppDelegate::activate()
{
    if (!m_floatingPanel)
        return; // no screen: nothing to bring forward
    m_floatingPanel->show();
    m_floatingPanel->raise();
}
