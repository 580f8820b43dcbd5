#include "capture/LassoSmoothing.h"

#include <algorithm>
#include <cmath>

namespace LassoSmoothing {
namespace {
double distance(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

double closedPerimeter(const QList<QPointF>& points)
{
    double total = 0;
    for (qsizetype i = 0; i < points.size(); ++i)
        total += distance(points[i], points[(i + 1) % points.size()]);
    return total;
}

// Segments this short carry no direction worth following.
constexpr double negligibleSegment = 0.001;
} // namespace

QList<QPointF> resampleClosed(const QList<QPointF>& points, double spacing)
{
    const qsizetype n = points.size();
    if (n == 0)
        return {};

    // Every emitted point but the first ends a full `spacing` of arc length, so the
    // loop's length bounds the count; n + 1 absorbs rounding at segment joins. The
    // hard cap also stops degenerate spacings (zero, negative, NaN) from looping.
    const double perimeter = closedPerimeter(points);
    double byLength = spacing > 0 ? perimeter / spacing : 0;
    if (!std::isfinite(byLength))
        byLength = double(maximumResampledPoints);
    const qsizetype limit = std::min<qsizetype>(
        qsizetype(std::min(byLength, double(maximumResampledPoints))) + n + 1, maximumResampledPoints);

    QList<QPointF> out { points[0] };
    QPointF previous = points[0];
    double accumulated = 0;
    qsizetype i = 1;
    while (i <= n && out.size() < limit) {
        const QPointF current = points[i % n];
        const double segment = distance(previous, current);
        if (!(segment > negligibleSegment)) {
            ++i;
            continue;
        }
        if (accumulated + segment >= spacing) {
            const QPointF q = previous + (current - previous) * ((spacing - accumulated) / segment);
            out.append(q);
            previous = q;
            accumulated = 0;
        } else {
            accumulated += segment;
            previous = current;
            ++i;
        }
    }
    return out;
}

QList<QPointF> chaikinClosed(const QList<QPointF>& polygon, int iterations)
{
    QList<QPointF> current = polygon;
    for (int pass = 0; pass < iterations && !current.isEmpty(); ++pass) {
        const qsizetype m = current.size();
        QList<QPointF> next;
        next.reserve(2 * m);
        for (qsizetype i = 0; i < m; ++i) {
            const QPointF a = current[i];
            const QPointF b = current[(i + 1) % m];
            next.append(0.75 * a + 0.25 * b);
            next.append(0.25 * a + 0.75 * b);
        }
        current = std::move(next);
    }
    return current;
}

QPainterPath makeSmoothedPath(const QList<QPointF>& points, double spacing)
{
    if (points.size() < 4)
        return closedPolygonPath(points);

    const QList<QPointF> corners = chaikinClosed(resampleClosed(points, spacing), chaikinIterations);
    const qsizetype m = corners.size();
    if (m < 3)
        return {};

    auto midpoint = [&](qsizetype i) { return (corners[i] + corners[(i + 1) % m]) / 2; };
    QPainterPath path;
    path.moveTo(midpoint(0));
    // The last curve ends on the first midpoint: the outline closes itself.
    for (qsizetype k = 1; k <= m; ++k) {
        const qsizetype j = k % m;
        path.cubicTo(corners[j], corners[j], midpoint(j));
    }
    return path;
}

QPainterPath liveStrokePath(const QList<QPointF>& points)
{
    QPainterPath path;
    const qsizetype n = points.size();
    if (n == 0)
        return path;
    path.moveTo(points[0]);
    for (qsizetype i = 1; i < n; ++i) {
        const QPointF control1 = points[i - 1] + (points[i] - points[std::max<qsizetype>(i - 2, 0)]) / 6;
        const QPointF control2 = points[i] - (points[std::min(i + 1, n - 1)] - points[i - 1]) / 6;
        path.cubicTo(control1, control2, points[i]);
    }
    return path;
}

QPainterPath closedPolygonPath(const QList<QPointF>& points)
{
    QPainterPath path;
    if (points.isEmpty())
        return path;
    path.moveTo(points[0]);
    for (qsizetype i = 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    path.closeSubpath();
    return path;
}

} // namespace LassoSmoothing
