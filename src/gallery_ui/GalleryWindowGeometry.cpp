#include "gallery_ui/GalleryWindowGeometry.h"

namespace GalleryWindowGeometry {

qreal wheelDelta(QPoint pixelDelta, QPoint angleDelta)
{
    if (!pixelDelta.isNull())
        return pixelDelta.y();
    return angleDelta.y() / 120.0 * 40.0;
}

} // namespace GalleryWindowGeometry
