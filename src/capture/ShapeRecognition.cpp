#include "capture/ShapeRecognition.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ShapeRecognition {

double enclosedArea(const QList<QPointF>& points)
{
    const qsizetype n = points.size();
    double twice = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF a = points[i];
        const QPointF b = points[(i + 1) % n];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return std::abs(twice) / 2;
}

QRectF boundingBox(const QList<QPointF>& points)
{
    if (points.isEmpty())
        return {};
    double minX = points[0].x(), maxX = minX, minY = points[0].y(), maxY = minY;
    for (const QPointF p : points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

std::optional<QRectF> detectRectangle(const QList<QPointF>& points)
{
    const double n = double(points.size());
    if (points.isEmpty())
        return std::nullopt;

    double cx = 0, cy = 0;
    for (const QPointF p : points) {
        cx += p.x();
        cy += p.y();
    }
    cx /= n;
    cy /= n;

    double sxx = 0, syy = 0, sxy = 0;
    for (const QPointF p : points) {
        sxx += (p.x() - cx) * (p.x() - cx);
        syy += (p.y() - cy) * (p.y() - cy);
        sxy += (p.x() - cx) * (p.y() - cy);
    }
    // Rotating by theta puts the stroke's principal axis on the x axis, so a
    // tilted rectangle is measured against its own sides.
    const double theta = -0.5 * std::atan2(2 * sxy, sxx - syy);
    const double cosT = std::cos(theta), sinT = std::sin(theta);
    double minU = std::numeric_limits<double>::infinity(), maxU = -minU, minV = minU, maxV = -minU;
    for (const QPointF p : points) {
        const double dx = p.x() - cx, dy = p.y() - cy;
        const double u = cosT * dx - sinT * dy;
        const double v = sinT * dx + cosT * dy;
        minU = std::min(minU, u);
        maxU = std::max(maxU, u);
        minV = std::min(minV, v);
        maxV = std::max(maxV, v);
    }
    const double orientedW = maxU - minU, orientedH = maxV - minV;
    if (!(orientedW * orientedH > 0))
        return std::nullopt;
    if (enclosedArea(points) / (orientedW * orientedH) < rectangleFillRatio)
        return std::nullopt;
    if (std::max(orientedW, orientedH) / std::min(orientedW, orientedH) > maximumRectangleElongation)
        return std::nullopt;

    // The snap target is upright even for a tilted stroke: the box around it.
    const QRectF box = boundingBox(points);
    const double w = box.width(), h = box.height();
    if (std::max(w, h) / std::min(w, h) <= squareSnapRatio) {
        const double side = std::max(w, h);
        const QPointF centre = box.center();
        return QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side);
    }
    return box;
}

std::optional<QRectF> detectEllipse(const QList<QPointF>& points)
{
    const QRectF box = boundingBox(points);
    const double w = box.width(), h = box.height();
    if (!(w > 0) || !(h > 0))
        return std::nullopt;
    if (enclosedArea(points) / (w * h) >= rectangleFillRatio)
        return std::nullopt;

    // In the box's unit square an ellipse is a circle: its radii barely vary.
    const double n = double(points.size());
    QList<QPointF> unit;
    unit.reserve(points.size());
    double meanS = 0, meanT = 0;
    for (const QPointF p : points) {
        const QPointF q((p.x() - box.left()) / w, (p.y() - box.top()) / h);
        unit.append(q);
        meanS += q.x();
        meanT += q.y();
    }
    meanS /= n;
    meanT /= n;

    QList<double> radii;
    radii.reserve(unit.size());
    double meanRadius = 0;
    for (const QPointF q : unit) {
        radii.append(std::hypot(q.x() - meanS, q.y() - meanT));
        meanRadius += radii.last();
    }
    meanRadius /= n;
    double variance = 0;
    for (const double r : radii)
        variance += (r - meanRadius) * (r - meanRadius);
    const double spread = std::sqrt(variance / n);
    if (spread / meanRadius <= maximumEllipseRadiusSpread)
        return box;
    return std::nullopt;
}

QPointF closestPointOnRectBoundary(const QRectF& rect, QPointF point)
{
    const double minX = rect.left(), maxX = rect.right(), minY = rect.top(), maxY = rect.bottom();
    const QPointF edges[4][2] = {
        { { minX, minY }, { maxX, minY } },
        { { maxX, minY }, { maxX, maxY } },
        { { maxX, maxY }, { minX, maxY } },
        { { minX, maxY }, { minX, minY } },
    };
    QPointF best;
    double bestDistance = std::numeric_limits<double>::infinity();
    bool first = true;
    for (const auto& edge : edges) {
        const QPointF a = edge[0], ab = edge[1] - edge[0];
        const double lengthSquared = QPointF::dotProduct(ab, ab);
        double t = lengthSquared > 0 ? QPointF::dotProduct(point - a, ab) / lengthSquared : 0;
        t = std::isnan(t) ? 0 : std::clamp(t, 0.0, 1.0);
        const QPointF candidate = a + t * ab;
        const double d = std::hypot(candidate.x() - point.x(), candidate.y() - point.y());
        // Strictly smaller only: a tie keeps the earlier edge.
        if (first || d < bestDistance) {
            best = candidate;
            bestDistance = d;
            first = false;
        }
    }
    return best;
}

QPointF ellipseTarget(const QRectF& rect, QPointF point)
{
    const QPointF centre = rect.center();
    const double a = rect.width() / 2, b = rect.height() / 2;
    const double phi = std::atan2((point.y() - centre.y()) / b, (point.x() - centre.x()) / a);
    return { centre.x() + a * std::cos(phi), centre.y() + b * std::sin(phi) };
}

} // namespace ShapeRecognition
