#include "gallery_ui/IdeaGalleryWindowController.h"

#include "gallery/GalleryImporter.h"
#include "gallery_ui/GalleryWindowGeometry.h"
#include "gallery_ui/IdeaGalleryView.h"
#include "gallery_ui/IdeaGalleryViewState.h"
#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"
#include "ui/BorderlessResizableWindow.h"

#include <QApplication>
#include <QWheelEvent>

IdeaGalleryWindowController::IdeaGalleryWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore,
    GalleryImporter& importer, const PlatformServices& services, const Theme& theme, QObject* parent)
    : QObject(parent)
    , m_galleryStore(galleryStore)
    , m_canvasStore(canvasStore)
    , m_importer(importer)
    , m_services(services)
    , m_theme(theme)
    , m_viewState(std::make_unique<IdeaGalleryViewState>())
{
    m_liveResizeEnd.setSingleShot(true);
    m_liveResizeEnd.setInterval(300);
    connect(&m_liveResizeEnd, &QTimer::timeout, this, [this] { m_viewState->setInLiveResize(false); });
}

IdeaGalleryWindowController::~IdeaGalleryWindowController()
{
    if (m_scrollMonitorInstalled)
        qApp->removeEventFilter(this);
}

QWidget* IdeaGalleryWindowController::window() const
{
    return m_window.get();
}

void IdeaGalleryWindowController::show()
{
    if (!m_window)
        createWindow();
    m_window->showAtOpeningFrame();
}

void IdeaGalleryWindowController::createWindow()
{
    m_window
        = std::make_unique<BorderlessResizableWindow>(QStringLiteral("Idea Gallery"), GalleryWindowGeometry::window);
    m_window->setObjectName(QStringLiteral("IdeaGalleryWindow"));
    NotificationCenter& notifications = m_services.notifications;
    const QPointer<QWidget> window = m_window.get();
    auto* view = new IdeaGalleryView(
        *m_viewState, m_galleryStore, m_canvasStore, m_services, m_theme,
        [&notifications] { notifications.post(CommandNames::toggleIdeaGallery); },
        [window] {
            if (window)
                window->showMinimized();
        });
    m_window->setContentView(view);
    m_view = view;
    connect(view, &IdeaGalleryView::picturesDropped, this,
        [this](const ImportRequest& request) { m_importer.importPictures(request); });
    connect(m_window.get(), &BorderlessResizableWindow::liveResizeStarted, this, [this] {
        m_viewState->setInLiveResize(true);
        m_liveResizeEnd.start();
    });
    connect(m_window.get(), &BorderlessResizableWindow::resized, this, [this] {
        if (m_viewState->inLiveResize())
            m_liveResizeEnd.start();
    });
    qApp->installEventFilter(this);
    m_scrollMonitorInstalled = true;
}

bool IdeaGalleryWindowController::eventFilter(QObject* watched, QEvent* event)
{
    // Every wheel event of the application passes here once, on its way to its
    // target; it is never consumed.
    if (event->type() == QEvent::Wheel && m_window && m_window->isActiveWindow() && watched->isWindowType()) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        m_viewState->setPendingScrollDelta(GalleryWindowGeometry::wheelDelta(wheel->pixelDelta(), wheel->angleDelta()));
    }
    return false;
}
