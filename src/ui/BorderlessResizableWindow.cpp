#include "ui/BorderlessResizableWindow.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

BorderlessResizableWindow::BorderlessResizableWindow(
    const QString& title, const BorderlessWindowGeometry& geometry, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , geometry(geometry)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setMouseTracking(true);
    // The window manager keeps every resize within these.
    setMinimumSize(geometry.minimumPixelSize());
    setMaximumSize(geometry.clampedSize({ 1e9, 1e9 }).toSize());
    // Every mouse event of the window passes the native window first, before
    // it is handed to the widget under the pointer.
    winId();
    windowHandle()->installEventFilter(this);
}

void BorderlessResizableWindow::setContentView(QWidget* view)
{
    m_contentView = view;
    view->setParent(this);
    view->setGeometry(rect());
    view->setMouseTracking(true);
    view->show();
}

void BorderlessResizableWindow::showAtOpeningFrame()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    // Size and place are reset on every showing, and a minimised window comes back.
    setWindowState(Qt::WindowNoState);
    setGeometry(geometry.openingFrame(available));
    show();
    raise();
    activateWindow();
}

bool BorderlessResizableWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != windowHandle())
        return false;
    const QSizeF size(width(), height());
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const QPointF point = mouse->position();
        if (const Qt::Edges edges = geometry.resizeEdges(point, size)) {
            if (windowHandle()->startSystemResize(edges)) {
                emit liveResizeStarted();
                return true;
            }
        } else if (geometry.startsWindowMove(point, size)) {
            if (windowHandle()->startSystemMove())
                return true;
        }
    } else if (event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::CursorShape shape = BorderlessWindowGeometry::cursorAt(mouse->position(), size);
        if (cursor().shape() != shape)
            setCursor(shape);
    }
    return false;
}

void BorderlessResizableWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_contentView)
        m_contentView->setGeometry(rect());
    emit resized();
}
