#pragma once

#include "gallery_ui/IdeaGalleryView.h"
#include "platform/PlatformServices.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class BorderlessResizableWindow;
class CanvasStore;
class GalleryImporter;
class GalleryStore;
class IdeaGalleryViewState;
class Theme;

// Owns the Idea Gallery window: created on the first show and kept after it is
// hidden, so the view and all its state survive between showings. Every
// showing resets the window to its opening size, centred on the primary
// screen. Wheel input reaches the view, through the shared view state, only
// while the gallery is the active window. Pictures dropped on the window go to
// the importer.
class IdeaGalleryWindowController : public QObject {
    Q_OBJECT

public:
    IdeaGalleryWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore, GalleryImporter& importer,
        const PlatformServices& services, const Theme& theme, QObject* parent = nullptr);
    ~IdeaGalleryWindowController() override;

    // Null until the first show.
    [[nodiscard]] QWidget* window() const;
    [[nodiscard]] IdeaGalleryView* view() const { return m_view; }
    [[nodiscard]] IdeaGalleryViewState& viewState() const { return *m_viewState; }
    void show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWindow();

    GalleryStore& m_galleryStore;
    CanvasStore& m_canvasStore;
    GalleryImporter& m_importer;
    PlatformServices m_services;
    const Theme& m_theme;
    std::unique_ptr<IdeaGalleryViewState> m_viewState;
    std::unique_ptr<BorderlessResizableWindow> m_window;
    QPointer<IdeaGalleryView> m_view;
    bool m_scrollMonitorInstalled = false;
    // The window manager does not say when a resize drag ends: the resize is
    // taken as over once the size has been still for a moment.
    QTimer m_liveResizeEnd;
};
