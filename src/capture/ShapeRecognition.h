#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

// Recognising a roughly drawn rectangle or ellipse in a raw stroke, and the
// points on the ideal outline that the stroke's points glide to. Pure functions
// of the stroke points (overlay coordinates, y upwards).
namespace ShapeRecognition {

// A stroke fills at least this share of its own oriented box to count as a
// rectangle; an ellipse (pi/4 of its box) must fill less of its upright box.
inline constexpr double rectangleFillRatio = 0.82;
inline constexpr double maximumRectangleElongation = 10.0;
// Boxes whose sides differ by at most this ratio become squares.
inline constexpr double squareSnapRatio = 1.15;
// Largest relative spread of the radii, in the box's unit square, of an ellipse.
inline constexpr double maximumEllipseRadiusSpread = 0.22;

// Shoelace area of the stroke taken as a closed polygon.
[[nodiscard]] double enclosedArea(const QList<QPointF>& points);
// Bounding box of the points; the null rectangle when there are none.
[[nodiscard]] QRectF boundingBox(const QList<QPointF>& points);

// The upright box to snap to (a square when nearly square), or nothing.
[[nodiscard]] std::optional<QRectF> detectRectangle(const QList<QPointF>& points);
// The bounding box of the recognised ellipse, or nothing.
[[nodiscard]] std::optional<QRectF> detectEllipse(const QList<QPointF>& points);

// The nearest point on the rectangle's outline. Edges are examined bottom,
// right, top, left (y upwards); on a tie the earlier edge wins.
[[nodiscard]] QPointF closestPointOnRectBoundary(const QRectF& rect, QPointF point);
// The point of the inscribed ellipse at the same angle in the ellipse's
// normalised frame.
[[nodiscard]] QPointF ellipseTarget(const QRectF& rect, QPointF point);

} // namespace ShapeRecognition
