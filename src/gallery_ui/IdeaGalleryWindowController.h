#pragma once

#include "platform/PlatformServices.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class CanvasStore;
class GalleryStore;

// Owns the Idea Gallery window: created on the first show and kept after it is
// hidden. This first version shows an empty window.
class IdeaGalleryWindowController : public QObject
{
    Q_OBJECT

public:
    IdeaGalleryWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore, const PlatformServices& services,
                                QObject* parent = nullptr);
    ~IdeaGalleryWindowController() override;

    // Null until the first show.
    [[nodiscard]] QWidget* window() const { return m_window.get(); }
    void show();

private:
    GalleryStore& m_galleryStore;
    CanvasStore& m_canvasStore;
    PlatformServices m_services;
    std::unique_ptr<QWidget> m_window;
};
