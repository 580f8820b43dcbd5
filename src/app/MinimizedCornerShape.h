#pragma once

#include <QPainterPath>
#include <QRectF>

// The outline of the minimised panel: a bar with rounded top corners of
// radius 9 and nearly square bottom corners of radius 2.
class MinimizedCornerShape {
public:
    static constexpr qreal topRadius = 9;
    static constexpr qreal bottomRadius = 2;

    // The path in `rect` (y grows downwards).
    [[nodiscard]] static QPainterPath path(const QRectF& rect);
};
