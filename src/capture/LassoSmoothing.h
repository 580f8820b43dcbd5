#pragma once

#include <QList>
#include <QPainterPath>
#include <QPointF>

// Turning a raw, jittery stroke into the closed outline that is cut out.
// All functions are pure and work in any coordinate system.
namespace LassoSmoothing {

// Spacing of the resampled outline, in points.
inline constexpr double outlineSpacing = 15.0;
inline constexpr int chaikinIterations = 4;
// No outline ever has more resampled points than this, whatever the input: the
// four Chaikin passes multiply it by 16.
inline constexpr qsizetype maximumResampledPoints = 10000;

// Walks the closed polygon P[0] … P[n-1], P[0] and emits a point every `spacing`
// units of arc length, starting at P[0]. Segments of at most 0.001 are skipped.
// The count is bounded by the loop's length (perimeter / spacing + n + 1) and by
// `maximumResampledPoints`, so the result always goes all the way round.
[[nodiscard]] QList<QPointF> resampleClosed(const QList<QPointF>& points, double spacing);

// Corner cutting of a closed polygon: each pass replaces every edge (Q[i], Q[i+1])
// by the points at 1/4 and 3/4 along it, doubling the count.
[[nodiscard]] QList<QPointF> chaikinClosed(const QList<QPointF>& polygon, int iterations);

// The closed lasso outline: resampled, corner-cut four times, then drawn as cubic
// curves between edge midpoints with both control points on the vertex between
// them. Fewer than 4 points give the plain closed polygon.
[[nodiscard]] QPainterPath makeSmoothedPath(const QList<QPointF>& points, double spacing);

// The open Catmull-Rom spline through the raw points, drawn while dragging.
[[nodiscard]] QPainterPath liveStrokePath(const QList<QPointF>& points);

// Move to the first point, lines to the others, close. No points: empty path.
[[nodiscard]] QPainterPath closedPolygonPath(const QList<QPointF>& points);

} // namespace LassoSmoothing
