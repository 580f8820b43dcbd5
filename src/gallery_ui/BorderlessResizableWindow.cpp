#include "gallery_ui/BorderlessResizableWindow.h"

#include "gallery_ui/GalleryWindowGeometry.h"

#include <QMouseEvent>
#include <QWindow>

#include <cmath>

BorderlessResizableWindow::BorderlessResizableWindow(const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , edgeMargin(GalleryWindowGeometry::edgeMargin)
    , defaultSize(GalleryWindowGeometry::defaultSize)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setMouseTracking(true);
    // The window manager keeps every resize within these; whole pixels that
    // never fall below the fractional design minimum.
    const QSizeF smallest = GalleryWindowGeometry::clampedSize({ 0, 0 });
    setMinimumSize(int(std::ceil(smallest.width())), int(std::ceil(smallest.height())));
    setMaximumSize(GalleryWindowGeometry::clampedSize({ 1e9, 1e9 }).toSize());
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
        if (const Qt::Edges edges = GalleryWindowGeometry::resizeEdges(point, size)) {
            if (windowHandle()->startSystemResize(edges)) {
                emit liveResizeStarted();
                return true;
            }
        } else if (GalleryWindowGeometry::startsWindowMove(point, size)) {
            if (windowHandle()->startSystemMove())
                return true;
        }
    } else if (event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::CursorShape shape = GalleryWindowGeometry::cursorAt(mouse->position(), size);
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
