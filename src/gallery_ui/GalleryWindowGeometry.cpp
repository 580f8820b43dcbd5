#include "gallery_ui/GalleryWindowGeometry.h"

#include <algorithm>
#include <cmath>

namespace GalleryWindowGeometry {

QSizeF clampedSize(QSizeF proposed)
{
    return { std::max(std::min(proposed.width(), maximumSize.width()), minimumSize.width()),
        std::max(std::min(proposed.height(), maximumSize.height()), minimumSize.height()) };
}

QRect openingFrame(const QRect& available)
{
    const int width = int(std::ceil(openingSize.width()));
    const int height = int(std::ceil(openingSize.height()));
    const qreal x = available.x() + (available.width() - openingSize.width()) / 2;
    const qreal y = available.y() + (available.height() - openingSize.height()) / 2;
    return { int(std::lround(x)), int(std::lround(y)), width, height };
}

bool isInTitleBarButton(QPointF point, QSizeF window)
{
    if (point.y() < 6 || point.y() > 22)
        return false;
    const qreal x = point.x();
    return (x >= 14 && x <= 30) || (x >= window.width() - 34 && x <= window.width() - 18);
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

Qt::Edges resizeEdges(QPointF point, QSizeF window)
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

bool startsWindowMove(QPointF point, QSizeF window)
{
    return point.y() < titleBarHeight && !isInTitleBarButton(point, window) && !resizeEdges(point, window);
}

Qt::CursorShape cursorAt(QPointF point, QSizeF window)
{
    const CornerSides corner = near(point, window, cornerSize);
    if (!(corner.left || corner.right) || !(corner.top || corner.bottom))
        return Qt::ArrowCursor;
    // Top-left and bottom-right share the falling diagonal.
    return corner.left == corner.top ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
}

qreal wheelDelta(QPoint pixelDelta, QPoint angleDelta)
{
    if (!pixelDelta.isNull())
        return pixelDelta.y();
    return angleDelta.y() / 120.0 * 40.0;
}

} // namespace GalleryWindowGeometry
