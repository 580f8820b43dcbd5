#pragma once

#include <QRectF>

// Layouts are in points, often with half-point positions; filled shapes look
// crisp only when their edges fall on device pixels. These round edges to the
// nearest device pixel for a given device pixel ratio.
namespace PixelSnap {

[[nodiscard]] qreal coordinate(qreal value, qreal devicePixelRatio);
[[nodiscard]] QRectF rect(const QRectF& rect, qreal devicePixelRatio);

} // namespace PixelSnap
