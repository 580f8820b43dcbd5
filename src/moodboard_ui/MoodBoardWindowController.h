#pragma once

#include "platform/PlatformServices.h"

#include <QObject>
#include <QWidget>

#include <memory>

class CanvasStore;
class GalleryStore;

// Owns the Mood Board window: created on the first show and reused after it is
// closed. Closing the window announces that the board is no longer open.
class MoodBoardWindowController : public QObject
{
    Q_OBJECT

public:
    MoodBoardWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore, const PlatformServices& services,
                              QObject* parent = nullptr);
    ~MoodBoardWindowController() override;

    // Null until the first show.
    [[nodiscard]] QWidget* window() const { return m_window.get(); }
    void show();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GalleryStore& m_galleryStore;
    CanvasStore& m_canvasStore;
    PlatformServices m_services;
    std::unique_ptr<QWidget> m_window;
};
