#include "gallery_ui/MarqueeSelection.h"

#include <QLineF>

#include <algorithm>
#include <cmath>

namespace MarqueeSelection {

bool isMarquee(QPointF start, QPointF current)
{
    return QLineF(start, current).length() >= minimumDistance;
}

QRectF rect(QPointF start, QPointF end)
{
    return { std::min(start.x(), end.x()), std::min(start.y(), end.y()), std::abs(end.x() - start.x()),
        std::abs(end.y() - start.y()) };
}

} // namespace MarqueeSelection
