#include "app/FloatingPanel.h"

#include "app/FloatingPanelView.h"
#include "app/MinimizedCornerShape.h"
#include "platform/AllDesktops.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>

FloatingPanel::FloatingPanel(QWidget* parent)
    : QWidget(parent,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Scrapwick"));
    setMinimumSize(int(FloatingPanelView::panelWidth), int(FloatingPanelView::minimizedHeight));
    setMaximumSize(int(FloatingPanelView::panelWidth), int(FloatingPanelView::expandedHeight));
    // The native window exists from here on, so the request for every
    // desktop is in place before the window manager first sees it.
    winId();
    if (QWindow* handle = windowHandle())
        AllDesktops::request(*handle);
}

void FloatingPanel::setContentView(QWidget* view)
{
    m_contentView = view;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

void FloatingPanel::setFrame(const QRect& frame)
{
    setGeometry(frame);
    // A hidden window gets its resize event only when shown; the content
    // must follow now.
    if (m_contentView)
        m_contentView->setGeometry(QRect(QPoint(0, 0), frame.size()));
    updateMask();
}

QRect FloatingPanel::initialFrame(const QRect& availableGeometry)
{
    // Measured from the top-right corner: x = max X − 78 − 20, and the top edge
    // 20 points below the top of the available area.
    const int width = int(FloatingPanelView::panelWidth);
    const int height = int(FloatingPanelView::expandedHeight);
    return { availableGeometry.x() + availableGeometry.width() - width - inset, availableGeometry.y() + inset, width,
        height };
}

QRect FloatingPanel::frameForMinimized(const QRect& frame, bool minimized)
{
    const int height = int(minimized ? FloatingPanelView::minimizedHeight : FloatingPanelView::expandedHeight);
    return { frame.x(), frame.y(), frame.width(), height };
}

std::optional<QRect> FloatingPanel::rescuedFrame(
    const QRect& frame, const QList<QRect>& screens, const QRect& primaryAvailableGeometry)
{
    const QPoint centre = frame.center();
    if (std::any_of(screens.begin(), screens.end(), [centre](const QRect& screen) { return screen.contains(centre); }))
        return std::nullopt;
    QRect rescued = initialFrame(primaryAvailableGeometry);
    rescued.setHeight(frame.height());
    return rescued;
}

void FloatingPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_contentView)
        m_contentView->setGeometry(rect());
    updateMask();
}

void FloatingPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once mapped (after this event), a window changes state only by asking
    // the window manager.
    QTimer::singleShot(0, this, [this] {
        if (QWindow* handle = windowHandle())
            AllDesktops::request(*handle);
    });
}

void FloatingPanel::updateMask()
{
    // Without a compositor an X11 window cannot be translucent; the shape
    // keeps the rounded corners see-through there too, and with one it keeps
    // clicks in the corners going to the windows below.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRectF area(QPointF(0, 0), QSizeF(size()));
    QPainterPath shape;
    if (height() <= int(FloatingPanelView::minimizedHeight))
        shape = MinimizedCornerShape::path(area);
    else
        shape.addRoundedRect(area, 8, 8);
    painter.fillPath(shape, Qt::color1);
    painter.end();
    setMask(mask);
}
