#pragma once

#include "ui/BorderlessWindowGeometry.h"

#include <QPoint>

// The Idea Gallery window's own geometry: its design size, its limits and
// where its close button sits; the rest is the shared borderless frame.
namespace GalleryWindowGeometry {

inline constexpr BorderlessWindowGeometry window { { 546, 429 }, { 2462, 2510 }, 34 };

// A wheel event's vertical movement in points, positive towards the top.
// Touchpads report pixels; a mouse wheel notch (120 units) moves 40 points,
// the same step as the scrollbar's arrows.
[[nodiscard]] qreal wheelDelta(QPoint pixelDelta, QPoint angleDelta);

} // namespace GalleryWindowGeometry
