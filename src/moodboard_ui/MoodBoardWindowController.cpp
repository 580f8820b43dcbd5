#include "moodboard_ui/MoodBoardWindowController.h"

#include "canvas/CanvasStore.h"
#include "gallery/GalleryImporter.h"
#include "moodboard_ui/MoodBoardCanvasView.h"
#include "moodboard_ui/MoodBoardView.h"
#include "moodboard_ui/MoodBoardViewState.h"
#include "moodboard_ui/MoodBoardWindow.h"
#include "moodboard_ui/MoodBoardWindowGeometry.h"
#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"

#include <QApplication>
#include <QMimeData>
#include <QWheelEvent>

MoodBoardWindowController::MoodBoardWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore,
    GalleryImporter& importer, const PlatformServices& services, const Theme& theme, QObject* parent)
    : QObject(parent)
    , m_galleryStore(galleryStore)
    , m_canvasStore(canvasStore)
    , m_importer(importer)
    , m_services(services)
    , m_theme(theme)
    , m_viewState(std::make_unique<MoodBoardViewState>(canvasStore))
{
}

MoodBoardWindowController::~MoodBoardWindowController()
{
    if (m_window)
        qApp->removeEventFilter(this);
}

QWidget* MoodBoardWindowController::window() const
{
    return m_window.get();
}

void MoodBoardWindowController::show()
{
    if (!m_window)
        createWindow();
    m_window->showAtOpeningFrame();
}

void MoodBoardWindowController::createWindow()
{
    m_window = std::make_unique<MoodBoardWindow>();
    const QPointer<QWidget> window = m_window.get();
    auto* view = new MoodBoardView(
        m_theme, *m_viewState, m_canvasStore, m_galleryStore, m_services,
        [window] {
            if (window)
                window->close();
        },
        [window] {
            if (window)
                window->showMinimized();
        });
    m_window->setContentView(view);
    m_view = view;
    connect(&view->canvas(), &MoodBoardCanvasView::picturesDropped, this, &MoodBoardWindowController::importOntoBoard);
    m_window->onKeyCommand = [self = QPointer(this)](const QString& command) {
        if (self)
            self->perform(command);
    };
    // Sees the wheel on its way to the views and the window's closing,
    // whoever closes it.
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &MoodBoardWindowController::applicationStateChanged);
}

void MoodBoardWindowController::perform(const QString& command)
{
    if (command == QStringLiteral("undo")) {
        m_canvasStore.undo();
    } else if (command == QStringLiteral("redo")) {
        m_canvasStore.redo();
    } else if (command == QStringLiteral("duplicate")) {
        m_canvasStore.duplicateSelectedLayer();
    } else if (command == QStringLiteral("paste")) {
        paste();
    } else if (command == QStringLiteral("delete")) {
        if (const std::optional<QUuid> selected = m_canvasStore.selectedLayerId())
            m_canvasStore.deleteLayer(*selected);
    }
}

void MoodBoardWindowController::paste()
{
    const QMimeData* contents = m_services.pasteboard.mimeData();
    if (!contents)
        return;
    const ImportRequest request = ImportRequest::fromMimeData(*contents, QStringLiteral("pasted image"));
    // A copied web address alone is no picture to paste.
    if (!request.sources.isEmpty())
        importOntoBoard(request, m_canvasStore.dropOrigin());
}

void MoodBoardWindowController::importOntoBoard(const ImportRequest& request, QPointF world)
{
    m_importer.importPictures(request, this,
        [this, world](const QList<ImportedImage>& added) { (void)m_canvasStore.addLayersAt(added, world); });
}

void MoodBoardWindowController::applicationStateChanged(Qt::ApplicationState state)
{
    // Brings the board forward when the application is switched to, but only
    // a board that is open: a closed one stays closed, as the panel shows it.
    if (state != Qt::ApplicationActive || !m_window || !m_window->isVisible() || m_window->isMinimized())
        return;
    m_window->raise();
    m_window->activateWindow();
}

bool MoodBoardWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        m_services.notifications.post(CommandNames::moodBoardVisibilityChanged, { { CommandNames::isOpenKey, false } });
        return false;
    }
    // Every wheel event passes here once, on its way to its native window; it
    // is never consumed, so the views see it too.
    if (event->type() != QEvent::Wheel || !watched->isWindowType() || !m_window || !m_window->isActiveWindow())
        return false;
    using namespace MoodBoardWindowGeometry;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    const QPointF point = m_window->mapFromGlobal(wheel->globalPosition());
    const double steps = wheelSteps(wheel->angleDelta());
    switch (wheelTarget(point, m_window->height())) {
    case WheelTarget::layerList:
        if (m_viewState->onLayerScroll)
            m_viewState->onLayerScroll(steps);
        break;
    case WheelTarget::canvas:
        m_viewState->setCanvasScale(zoomedScale(m_viewState->canvasScale(), steps));
        break;
    case WheelTarget::none:
        break;
    }
    return false;
}
