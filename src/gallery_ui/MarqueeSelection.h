#pragma once

#include <QPointF>
#include <QRectF>

// The rubber band of select mode: a drag of at least 5 points spans a
// rectangle between where it began and where the pointer is, whichever way it
// was dragged.
namespace MarqueeSelection {

inline constexpr qreal minimumDistance = 5;

[[nodiscard]] bool isMarquee(QPointF start, QPointF current);
[[nodiscard]] QRectF rect(QPointF start, QPointF end);

} // namespace MarqueeSelection
