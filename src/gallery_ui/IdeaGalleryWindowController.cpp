#include "gallery_ui/IdeaGalleryWindowController.h"

IdeaGalleryWindowController::IdeaGalleryWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore,
                                                         const PlatformServices& services, QObject* parent)
    : QObject(parent)
    , m_galleryStore(galleryStore)
    , m_canvasStore(canvasStore)
    , m_services(services)
{
}

IdeaGalleryWindowController::~IdeaGalleryWindowController() = default;

void IdeaGalleryWindowController::show()
{
    if (!m_window) {
        m_window = std::make_unique<QWidget>();
        m_window->setObjectName(QStringLiteral("IdeaGalleryWindow"));
        m_window->setWindowTitle(QStringLiteral("Idea Gallery"));
        m_window->resize(560, 420);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
