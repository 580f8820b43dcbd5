#include "app/MinimizedCornerShape.h"

QPainterPath MinimizedCornerShape::path(const QRectF& rect)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const qreal big = topRadius, small = bottomRadius;
    // Qt's arcTo measures angles counter-clockwise on screen, y down; each arc
    // below runs clockwise on screen, as the corner it rounds requires.
    QPainterPath path;
    path.moveTo(x + big, y);
    path.lineTo(x + w - big, y);
    path.arcTo(QRectF(x + w - 2 * big, y, 2 * big, 2 * big), 90, -90); // top right
    path.lineTo(x + w, y + h - small);
    path.arcTo(QRectF(x + w - 2 * small, y + h - 2 * small, 2 * small, 2 * small), 0, -90); // bottom right
    path.lineTo(x + small, y + h);
    path.arcTo(QRectF(x, y + h - 2 * small, 2 * small, 2 * small), 270, -90); // bottom left
    path.lineTo(x, y + big);
    path.arcTo(QRectF(x, y, 2 * big, 2 * big), 180, -90); // top left
    path.closeSubpath();
    return path;
}
