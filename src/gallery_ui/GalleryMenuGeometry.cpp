#include "gallery_ui/GalleryMenuGeometry.h"

#include <algorithm>

namespace GalleryMenuGeometry {

qreal menuHeight(bool selectMode, GallerySection section)
{
    const bool cutouts = section == GallerySection::cutouts;
    if (selectMode)
        return cutouts ? 78 : 57;
    return cutouts ? 99 : 78;
}

QPointF menuCentre(const QRectF& cellFrame, qreal menuHeight, QSizeF card)
{
    const qreal halfWidth = menuWidth / 2;
    const qreal halfHeight = menuHeight / 2;
    const qreal x = std::min(cellFrame.right() - 4 + halfWidth, card.width() - halfWidth);
    const qreal y = std::min(std::max(halfHeight + cellFrame.bottom() - 4, halfHeight), card.height() - halfHeight);
    return { x, y };
}

QRectF menuRect(const QRectF& cellFrame, qreal menuHeight, QSizeF card)
{
    const QPointF centre = menuCentre(cellFrame, menuHeight, card);
    return { centre.x() - menuWidth / 2, centre.y() - menuHeight / 2, menuWidth, menuHeight };
}

} // namespace GalleryMenuGeometry
