#pragma once

// Screens and strokes the capture tests share.
#include "capture/LassoSmoothing.h"
#include "support/CapturePattern.h"

#include <cmath>
#include <numbers>

// A screen of 400 × 300 points at scale 2, every pixel a different colour, so
// a wrong offset or a flipped row cannot go unnoticed.
inline const auto patternScreen = [] { return CapturePattern::image(800, 600); };

inline const auto polygon = LassoSmoothing::closedPolygonPath;

// A stroke along the closed polygon through `corners`, a point every 5 or so.
inline QList<QPointF> traced(const QList<QPointF>& corners)
{
    QList<QPointF> points;
    for (qsizetype i = 0; i < corners.size(); ++i) {
        const QPointF a = corners[i], b = corners[(i + 1) % corners.size()];
        const int steps = std::max(1, int(std::ceil(std::hypot(b.x() - a.x(), b.y() - a.y()) / 5)));
        for (int k = 0; k < steps; ++k)
            points.append(a + (b - a) * (double(k) / steps));
    }
    return points;
}

// An ellipse around (300, 300), a point every 5°.
inline QList<QPointF> ellipse(double rx, double ry)
{
    QList<QPointF> points;
    for (int k = 0; k < 72; ++k)
        points.append(
            { 300 + rx * std::cos(k * std::numbers::pi / 36), 300 + ry * std::sin(k * std::numbers::pi / 36) });
    return points;
}
