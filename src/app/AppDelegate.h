#pragma once

#include "gallery/GalleryImporter.h"
#include "platform/PlatformServices.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class CanvasStore;
struct AppCommand;
class CropOverlayWindow;
class FloatingPanel;
class GalleryStore;
class IdeaGalleryWindowController;
class MoodBoardWindowController;
class QAction;
class QMenu;
class QScreen;
class QSystemTrayIcon;
class QWidget;
class Theme;

// The hub of the process. It hands the two stores to the windows, puts the
// tray icon and its menu up, starts and ends crop mode, shows and hides the
// Idea Gallery and the Mood Board, imports image files and keeps the two
// preferences. The one import of the program lives here and is lent to the
// windows for their drops and pastes; the tray icon's tooltip follows a long
// one. Windows never call each other: they post command notifications, which
// this object answers with visibility notifications.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // The stores, the services and `theme` (the tray icon and the floating
    // panel's look) must outlive the delegate.
    AppDelegate(const PlatformServices& services, GalleryStore& galleryStore, CanvasStore& canvasStore,
        const Theme& theme, QObject* parent = nullptr);
    ~AppDelegate() override;

    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Puts up the tray icon and menu and, when there is a screen, starts
    // listening for the command notifications.
    void applicationDidFinishLaunching();

    void enterCropMode();
    void exitCropMode();
    void toggleIdeaGallery();
    void toggleMoodBoard();
    // Asks for image files; they are converted off the main thread and added to
    // the gallery's cut-outs in the order chosen.
    void importToIdeaGallery();
    // Converts `paths` off the main thread and adds them to the gallery's
    // cut-outs in the given order, logging the files that could not be read:
    // the tray's and the command line's door to the import that drops and
    // pastes use too.
    void importFiles(const QStringList& paths);

    // The tray icon's tooltip: "Scrapwick", and while more than a handful of
    // pictures are being imported, how far that has come.
    [[nodiscard]] static QString statusToolTip(qsizetype done, qsizetype asked);

    // `sender` is the menu item; Qt has already flipped its check mark, so its
    // state is the value the user asked for.
    void toggleLaunchAtLogin(QAction* sender);
    void toggleShapeRecognition(QAction* sender);

    void openSupport();
    void openOfficialWebsite();
    void checkForUpdates();

    // A request from outside: a second start, or the desktop's launcher. It
    // goes the way the panel's buttons and the tray menu go, so that the panel
    // shows the resulting state.
    void perform(const AppCommand& command);
    // Brings the floating panel to the front: where a user who starts
    // Scrapwick again, while it runs, looks for it.
    void activate();

private:
    // Makes the menu's key equivalents (Ctrl+I, Ctrl+Q) work while `window` is
    // the active window. Qt only honours a shortcut through a visible widget
    // that carries the action, and the tray menu is hidden most of the time.
    void installMenuShortcuts(QWidget* window) const;
    void setupStatusItem();
    void observeCommands();
    // The always-on-top palette with the crop, gallery and mood-board buttons,
    // placed near the top-right corner of `screen`.
    void createFloatingPanel(QScreen& screen);
    // Brings the panel back to the primary screen when no screen shows it.
    void keepPanelOnScreen();
    // A new overlay over `screen`, showing `frozenScreen` when there is one.
    void showCropOverlay(QScreen* screen, const QImage& frozenScreen);

    PlatformServices m_services;
    const Theme& m_theme;
    QIcon m_trayIcon;
    GalleryStore& m_galleryStore;
    CanvasStore& m_canvasStore;
    // Before the windows that borrow it, so it goes after them.
    GalleryImporter m_importer;

    std::unique_ptr<CropOverlayWindow> m_cropOverlayWindow;
    // While the desktop's picture for a new crop mode is awaited: the
    // request's context, so dropping it abandons the request.
    std::unique_ptr<QObject> m_pendingScreenshot;
    std::unique_ptr<IdeaGalleryWindowController> m_ideaGalleryController;
    std::unique_ptr<MoodBoardWindowController> m_moodBoardController;
    // The tray menu; where there is no system tray, the floating panel offers
    // it on a right click.
    std::unique_ptr<QMenu> m_statusMenu;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    QPointer<QAction> m_importAction;
    QPointer<QAction> m_quitAction;
    // Destroyed first: its view refers to the status menu. Null until launch,
    // and when there was no screen to put it on.
    std::unique_ptr<FloatingPanel> m_floatingPanel;
};
