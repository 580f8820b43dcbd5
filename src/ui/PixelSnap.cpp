#include "ui/PixelSnap.h"

#include <cmath>

namespace PixelSnap {

qreal coordinate(qreal value, qreal devicePixelRatio)
{
    // Halves round up, so a half-point edge lands the same way on every side.
    return std::floor(value * devicePixelRatio + 0.5) / devicePixelRatio;
}

QRectF rect(const QRectF& rect, qreal devicePixelRatio)
{
    const qreal left = coordinate(rect.left(), devicePixelRatio);
    const qreal top = coordinate(rect.top(), devicePixelRatio);
    const qreal right = coordinate(rect.right(), devicePixelRatio);
    const qreal bottom = coordinate(rect.bottom(), devicePixelRatio);
    return { left, top, right - left, bottom - top };
}

} // namespace PixelSnap
