#include "capture/SnapAnimation.h"

#include "capture/LassoSmoothing.h"
#include "capture/ShapeRecognition.h"

SnapAnimation::SnapAnimation(SnapKind kind, QList<QPointF> startPoints, const QRectF& rect)
    : m_kind(kind)
    , m_startPoints(std::move(startPoints))
    , m_rect(rect)
{
    m_targets.reserve(m_startPoints.size());
    for (const QPointF p : m_startPoints)
        m_targets.append(kind == SnapKind::rectangle ? ShapeRecognition::closestPointOnRectBoundary(rect, p)
                                                     : ShapeRecognition::ellipseTarget(rect, p));
}

double SnapAnimation::easeInOut(double t)
{
    return t < 0.5 ? 2 * t * t : t * (4 - 2 * t) - 1;
}

double SnapAnimation::progress(double elapsedSeconds)
{
    const double t = elapsedSeconds / animationDuration;
    return t > 1 ? 1 : t;
}

QList<QPointF> SnapAnimation::framePoints(double t) const
{
    const double e = easeInOut(t);
    QList<QPointF> points;
    points.reserve(m_startPoints.size());
    for (qsizetype i = 0; i < m_startPoints.size(); ++i)
        points.append(m_startPoints[i] + (m_targets[i] - m_startPoints[i]) * e);
    return points;
}

QPainterPath SnapAnimation::framePath(double t) const
{
    return LassoSmoothing::closedPolygonPath(framePoints(t));
}

QPainterPath SnapAnimation::finalOutline() const
{
    if (m_kind == SnapKind::ellipse) {
        QPainterPath path;
        path.addEllipse(m_rect);
        return path;
    }
    return LassoSmoothing::closedPolygonPath(rectangleCorners());
}

QList<QPointF> SnapAnimation::rectangleCorners() const
{
    return { { m_rect.left(), m_rect.top() }, { m_rect.right(), m_rect.top() }, { m_rect.right(), m_rect.bottom() },
        { m_rect.left(), m_rect.bottom() } };
}
