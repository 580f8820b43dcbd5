#include "gallery_ui/GalleryScrollbar.h"

#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>

GalleryScrollbar::GalleryScrollbar(const Theme& theme, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GalleryScrollbar::setState(qreal contentOffset, qreal maxScroll)
{
    if (contentOffset == m_contentOffset && maxScroll == m_maxScroll)
        return;
    m_contentOffset = contentOffset;
    m_maxScroll = maxScroll;
    update();
}

GalleryScrollbarGeometry GalleryScrollbar::geometryNow() const
{
    GalleryScrollbarGeometry geometry;
    geometry.trackHeight = height();
    geometry.trackWidth = width();
    geometry.maxScroll = m_maxScroll;
    return geometry;
}

void GalleryScrollbar::paintEvent(QPaintEvent*)
{
    const GalleryScrollbarGeometry geometry = geometryNow();
    const ThemePalette& palette = m_theme.palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.paper);
    m_theme.drawImage(painter, geometry.upArrowRect(), QStringLiteral("icon-gallery-scroll-up"));
    painter.save();
    painter.setClipRect(geometry.trackRect());
    m_theme.drawTiled(painter, geometry.trackRect(), QStringLiteral("scrollbar-track-tile"));
    const QRectF thumbFrame = geometry.thumbRect(m_contentOffset);
    const qreal box = geometry.thumbBox();
    const QRectF thumb(thumbFrame.center().x() - box / 2, thumbFrame.top(), box, box);
    painter.fillRect(thumb, palette.ink);
    const QRectF slider = thumb.adjusted(2, 2, -2, -2);
    painter.fillRect(slider, palette.ink);
    painter.fillRect(slider.adjusted(1, 1, -1, -1), palette.paper);
    painter.restore();
    m_theme.drawImage(painter, geometry.downArrowRect(), QStringLiteral("icon-gallery-scroll-down"));
}

void GalleryScrollbar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const GalleryScrollbarGeometry geometry = geometryNow();
    const QPointF point = event->position();
    if (geometry.upArrowRect().contains(point)) {
        emit offsetRequested(geometry.offsetAfterArrow(m_contentOffset, GalleryScrollbarGeometry::ArrowDirection::up));
    } else if (geometry.downArrowRect().contains(point)) {
        emit offsetRequested(
            geometry.offsetAfterArrow(m_contentOffset, GalleryScrollbarGeometry::ArrowDirection::down));
    } else if (geometry.thumbRect(m_contentOffset).contains(point)) {
        m_dragStartOffset = m_contentOffset;
        m_dragStartY = point.y();
    }
}

void GalleryScrollbar::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragStartOffset)
        return;
    // Measured in the scrollbar's own coordinates, which do not move with the
    // thumb, so the thumb never drifts from the pointer.
    emit offsetRequested(geometryNow().offsetForDrag(*m_dragStartOffset, event->position().y() - m_dragStartY));
}

void GalleryScrollbar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragStartOffset.reset();
}
