#pragma once

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

// The glide of a recognised stroke onto its ideal outline: every stroke point
// moves in a straight line to its own target, eased in and out. Pure: the
// caller supplies the elapsed time.
class SnapAnimation {
public:
    enum class SnapKind { rectangle, ellipse };

    static constexpr double animationDuration = 0.2; // seconds
    static constexpr int framesPerSecond = 60;

    SnapAnimation(SnapKind kind, QList<QPointF> startPoints, const QRectF& rect);

    // Quadratic ease in-out of t in [0, 1].
    [[nodiscard]] static double easeInOut(double t);
    // Share of the animation done after `elapsedSeconds`, clamped to at most 1.
    [[nodiscard]] static double progress(double elapsedSeconds);

    // The stroke's points at progress t (eased here).
    [[nodiscard]] QList<QPointF> framePoints(double t) const;
    // The closed polygon through framePoints(t).
    [[nodiscard]] QPainterPath framePath(double t) const;

    // The outline handed to the capture after the last frame: the ellipse
    // inscribed in the rectangle, or the rectangle itself.
    [[nodiscard]] QPainterPath finalOutline() const;
    // For a rectangle the stroke becomes its four corners (counter-clockwise
    // from the bottom left, y upwards); an ellipse keeps its stroke.
    [[nodiscard]] QList<QPointF> rectangleCorners() const;

    [[nodiscard]] SnapKind kind() const { return m_kind; }
    [[nodiscard]] const QRectF& rect() const { return m_rect; }
    [[nodiscard]] const QList<QPointF>& startPoints() const { return m_startPoints; }
    [[nodiscard]] const QList<QPointF>& targets() const { return m_targets; }

private:
    SnapKind m_kind;
    QList<QPointF> m_startPoints;
    QRectF m_rect;
    QList<QPointF> m_targets;
};
