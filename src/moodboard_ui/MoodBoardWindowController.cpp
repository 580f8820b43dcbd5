#include "moodboard_ui/MoodBoardWindowController.h"

#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"

#include <QEvent>

MoodBoardWindowController::MoodBoardWindowController(GalleryStore& galleryStore, CanvasStore& canvasStore,
                                                     const PlatformServices& services, QObject* parent)
    : QObject(parent)
    , m_galleryStore(galleryStore)
    , m_canvasStore(canvasStore)
    , m_services(services)
{
}

MoodBoardWindowController::~MoodBoardWindowController() = default;

void MoodBoardWindowController::show()
{
    if (!m_window) {
        m_window = std::make_unique<QWidget>();
        m_window->setObjectName(QStringLiteral("MoodBoardWindow"));
        m_window->setWindowTitle(QStringLiteral("Mood Board"));
        m_window->resize(640, 480);
        m_window->installEventFilter(this);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool MoodBoardWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close)
        m_services.notifications.post(CommandNames::moodBoardVisibilityChanged, {{CommandNames::isOpenKey, false}});
    return QObject::eventFilter(watched, event);
}
