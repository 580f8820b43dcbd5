#include "gallery_ui/GalleryScrollbarGeometry.h"

#include <algorithm>

qreal GalleryScrollbarGeometry::travel() const
{
    return std::max(trackLength() - thumbBox(), 1.0);
}

qreal GalleryScrollbarGeometry::thumbPosition(qreal offset) const
{
    return maxScroll > 0 ? offset / maxScroll * travel() : 0;
}

QRectF GalleryScrollbarGeometry::thumbRect(qreal offset) const
{
    return { 0, arrowSize + thumbPosition(offset), trackWidth, thumbBox() };
}

qreal GalleryScrollbarGeometry::clamped(qreal offset) const
{
    return offset < 0 ? 0 : std::min(offset, maxScroll);
}

qreal GalleryScrollbarGeometry::offsetAfterArrow(qreal offset, ArrowDirection direction) const
{
    return clamped(offset + (direction == ArrowDirection::up ? -arrowStep : arrowStep));
}

qreal GalleryScrollbarGeometry::offsetForDrag(qreal startOffset, qreal translation) const
{
    return clamped(startOffset + translation * (maxScroll / travel()));
}
