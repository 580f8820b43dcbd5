#include "ui/BorderlessWindowGeometry.h"

#include <algorithm>
#include <cmath>

QSizeF BorderlessWindowGeometry::clampedSize(QSizeF proposed) const
{
    return { std::max(std::min(proposed.width(), maximumSize.width()), minimumSize().width()),
        std::max(std::min(proposed.height(), maximumSize.height()), minimumSize().height()) };
}

QSize BorderlessWindowGeometry::minimumPixelSize() const
{
    return { int(std::ceil(minimumSize().width())), int(std::ceil(minimumSize().height())) };
}

QRect BorderlessWindowGeometry::openingFrame(const QRect& available) const
{
    const QSizeF size = openingSize();
    const qreal x = available.x() + (available.width() - size.width()) / 2;
    const qreal y = available.y() + (available.height() - size.height()) / 2;
    return { QPoint(int(std::lround(x)), int(std::lround(y))), minimumPixelSize() };
}

bool BorderlessWindowGeometry::isInTitleBarButton(QPointF point, QSizeF window) const
{
    if (point.y() < 6 || point.y() > 22)
        return false;
    const qreal x = point.x();
    const qreal closeLeft = window.width() - closeZoneFromRight;
    return (x >= 14 && x <= 30) || (x >= closeLeft && x <= closeLeft + 16);
}

namespace {

struct CornerSides {
    bool left, right, top, bottom;
};

CornerSides near(QPointF point, QSizeF window, qreal distance)
{
    return { point.x() < distance, point.x() > window.width() - distance, point.y() < distance,
        point.y() > window.height() - distance };
}

} // namespace

Qt::Edges BorderlessWindowGeometry::resizeEdges(QPointF point, QSizeF window) const
{
    if (isInTitleBarButton(point, window))
        return {};
    const CornerSides edge = near(point, window, edgeMargin);
    const CornerSides corner = near(point, window, cornerSize);
    const bool inCorner = (corner.left || corner.right) && (corner.top || corner.bottom);
    if (!inCorner && !(edge.left || edge.right || edge.top || edge.bottom))
        return {};
    // In a corner square both of its edges resize; elsewhere only the near edge.
    const CornerSides use = inCorner ? corner : edge;
    Qt::Edges edges;
    if (use.left)
        edges |= Qt::LeftEdge;
    else if (use.right)
        edges |= Qt::RightEdge;
    if (use.top)
        edges |= Qt::TopEdge;
    else if (use.bottom)
        edges |= Qt::BottomEdge;
    return edges;
}

bool BorderlessWindowGeometry::startsWindowMove(QPointF point, QSizeF window) const
{
    return point.y() < titleBarHeight && !isInTitleBarButton(point, window) && !resizeEdges(point, window);
}

Qt::CursorShape BorderlessWindowGeometry::cursorAt(QPointF point, QSizeF window)
{
    const CornerSides corner = near(point, window, cornerSize);
    if (!(corner.left || corner.right) || !(corner.top || corner.bottom))
        return Qt::ArrowCursor;
    // Top-left and bottom-right share the falling diagonal.
    return corner.left == corner.top ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
}
