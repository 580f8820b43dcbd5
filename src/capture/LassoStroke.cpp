#include "capture/LassoStroke.h"

#include <cmath>

void LassoStroke::begin(QPointF point)
{
    m_points = { point };
}

bool LassoStroke::extend(QPointF point)
{
    if (!m_points.isEmpty()) {
        const QPointF step = point - m_points.last();
        if (std::hypot(step.x(), step.y()) < minimumStep)
            return false;
    }
    m_points.append(point);
    return true;
}
