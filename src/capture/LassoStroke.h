#pragma once

#include <QList>
#include <QPointF>

// The raw points of one lasso stroke, in overlay coordinates (origin at the
// bottom left of the primary screen, y upwards), in drawing order.
class LassoStroke {
public:
    // Pointer moves shorter than this are dropped while dragging: it keeps the
    // list short without visibly changing the stroke.
    static constexpr double minimumStep = 2.5;
    // A release with fewer recorded points is a click, not a stroke.
    static constexpr int minimumPointsOnRelease = 3;
    // Fewer points than this cannot describe a loop worth capturing.
    static constexpr int minimumPointsForLasso = 6;

    void begin(QPointF point);
    // Appends the point unless it lies closer than `minimumStep` to the last one.
    // Returns whether it was appended.
    bool extend(QPointF point);
    void clear() { m_points.clear(); }
    void replace(QList<QPointF> points) { m_points = std::move(points); }

    [[nodiscard]] const QList<QPointF>& points() const { return m_points; }
    [[nodiscard]] qsizetype size() const { return m_points.size(); }
    [[nodiscard]] bool isEmpty() const { return m_points.isEmpty(); }

private:
    QList<QPointF> m_points;
};
