#include "moodboard_ui/MoodBoardWindowGeometry.h"

#include <algorithm>

namespace MoodBoardWindowGeometry {

WheelTarget wheelTarget(QPointF point, qreal windowHeight)
{
    const qreal x = point.x();
    const qreal yUp = windowHeight - point.y();
    if (x >= 42 && x <= 127 && yUp >= 219 && yUp <= 349)
        return WheelTarget::layerList;
    if (x >= 172 && yUp >= 61)
        return WheelTarget::canvas;
    return WheelTarget::none;
}

double wheelSteps(QPoint angleDelta)
{
    return angleDelta.y() / 120.0;
}

double zoomedScale(double scale, double steps)
{
    return std::clamp(scale * (1 + 0.1 * steps), minimumScale, maximumScale);
}

std::optional<QString> keyCommand(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
        return QStringLiteral("delete");
    if (!modifiers.testFlag(Qt::ControlModifier))
        return std::nullopt;
    switch (key) {
    case Qt::Key_Z:
        return modifiers.testFlag(Qt::ShiftModifier) ? QStringLiteral("redo") : QStringLiteral("undo");
    case Qt::Key_Y:
        return QStringLiteral("redo");
    case Qt::Key_D:
        return QStringLiteral("duplicate");
    case Qt::Key_V:
        return QStringLiteral("paste");
    default:
        return std::nullopt;
    }
}

} // namespace MoodBoardWindowGeometry
