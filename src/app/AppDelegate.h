#pragma once

#include "platform/PlatformServices.h"

#include <QIcon>
#include <QObject>
#include <QPointer>

#include <memory>

class CanvasStore;
class CropOverlayWindow;
class FloatingPanel;
class FloatingPanelView;
class GalleryStore;
class IdeaGalleryWindowController;
class MoodBoardWindowController;
class QAction;
class QMenu;
class QScreen;
class QSystemTrayIcon;
class QWidget;
class Theme;
struct ImportResult;

// The hub of the process. It owns the two stores for the whole run, puts the
// tray icon and its menu up, starts and ends crop mode, shows and hides the
// Idea Gallery and the Mood Board, imports image files and keeps the two
// preferences. Windows never call each other: they post command notifications,
// which this object answers with visibility notifications.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // Creates the gallery store on `dataFolder` (the "Scrapwick" folder), then
    // the canvas store on top of it. `theme` gives the tray icon and the
    // floating panel's look; it must outlive the delegate.
    AppDelegate(
        const PlatformServices& services, const QString& dataFolder, const Theme& theme, QObject* parent = nullptr);
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

    // `sender` is the menu item; Qt has already flipped its check mark, so its
    // state is the value the user asked for.
    void toggleLaunchAtLogin(QAction* sender);
    void toggleShapeRecognition(QAction* sender);

    void openSupport();
    void openOfficialWebsite();
    void checkForUpdates();

    [[nodiscard]] GalleryStore& galleryStore() const { return *m_galleryStore; }
    [[nodiscard]] CanvasStore& canvasStore() const { return *m_canvasStore; }
    [[nodiscard]] const PlatformServices& services() const { return m_services; }

    // The tray menu. Null until launch. Where there is no system tray, the
    // floating panel offers it on a right click.
    [[nodiscard]] QMenu* statusMenu() const { return m_statusMenu.get(); }
    [[nodiscard]] QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }

    // Makes the menu's key equivalents (Ctrl+I, Ctrl+Q) work while `window` is
    // the active window. Qt only honours a shortcut through a visible widget
    // that carries the action, and the tray menu is hidden most of the time.
    void installMenuShortcuts(QWidget* window) const;

    // The overlay of the current or most recent crop mode, or null.
    [[nodiscard]] CropOverlayWindow* cropOverlayWindow() const { return m_cropOverlayWindow.get(); }
    [[nodiscard]] IdeaGalleryWindowController* ideaGalleryController() const { return m_ideaGalleryController.get(); }
    [[nodiscard]] MoodBoardWindowController* moodBoardController() const { return m_moodBoardController.get(); }
    // The always-on-top palette and its content; null until launch, and when
    // there was no screen to put them on.
    [[nodiscard]] FloatingPanel* floatingPanel() const { return m_floatingPanel.get(); }
    [[nodiscard]] FloatingPanelView* hostingView() const;

private:
    void setupStatusItem();
    void observeCommands();
    // The always-on-top palette with the crop, gallery and mood-board buttons,
    // placed near the top-right corner of `screen`.
    void createFloatingPanel(QScreen& screen);
    void finishImport(const ImportResult& result);

    PlatformServices m_services;
    const Theme& m_theme;
    QIcon m_trayIcon;
    // Declared before everything that refers to them, so they are destroyed last.
    std::unique_ptr<GalleryStore> m_galleryStore;
    std::unique_ptr<CanvasStore> m_canvasStore;

    std::unique_ptr<CropOverlayWindow> m_cropOverlayWindow;
    std::unique_ptr<IdeaGalleryWindowController> m_ideaGalleryController;
    std::unique_ptr<MoodBoardWindowController> m_moodBoardController;
    std::unique_ptr<QMenu> m_statusMenu;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    QPointer<QAction> m_importAction;
    QPointer<QAction> m_quitAction;
    // Destroyed first: its view refers to the status menu.
    std::unique_ptr<FloatingPanel> m_floatingPanel;
    QPointer<FloatingPanelView> m_hostingView;
};
