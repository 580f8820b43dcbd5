#pragma once

#include "gallery/ImportRequest.h"
#include "platform/PlatformServices.h"

#include <QObject>
#include <QPointer>

#include <memory>

class CanvasStore;
class GalleryImporter;
class GalleryStore;
class MoodBoardView;
class MoodBoardViewState;
class MoodBoardWindow;
class QWidget;
class Theme;

// Owns the Mood Board window: created on the first show and kept after it is
// closed, so its viewport survives between showings. Every showing resets the
// window to its opening size, centred on the primary screen. It turns the
// window's command strings into canvas store operations, routes the wheel to
// zooming or to the layer list while the board is the active window, and
// announces every closing of the window, however it happens. Pictures dropped
// on the canvas or pasted go through the gallery's import and come back as
// layers.
class MoodBoardWindowController : public QObject {
    Q_OBJECT

public:
    MoodBoardWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore, GalleryImporter& importer,
        const PlatformServices& services, const Theme& theme, QObject* parent = nullptr);
    ~MoodBoardWindowController() override;

    // Null until the first show.
    [[nodiscard]] QWidget* window() const;
    [[nodiscard]] MoodBoardViewState& viewState() const { return *m_viewState; }
    void show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWindow();
    void perform(const QString& command);
    // Pictures on the clipboard, centred in the view; nothing without one.
    void paste();
    // Imports the pictures into the gallery, then adds them as layers from
    // `world` on, as one undo step.
    void importOntoBoard(const ImportRequest& request, QPointF world);
    void applicationStateChanged(Qt::ApplicationState state);

    GalleryStore& m_galleryStore;
    CanvasStore& m_canvasStore;
    GalleryImporter& m_importer;
    PlatformServices m_services;
    const Theme& m_theme;
    std::unique_ptr<MoodBoardViewState> m_viewState;
    std::unique_ptr<MoodBoardWindow> m_window;
    QPointer<MoodBoardView> m_view;
};
