#include "moodboard_ui/LayerGeometry.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace LayerGeometry {

namespace {

// Turns a vector of the layer's own frame onto the screen.
QPointF turned(QPointF local, double degrees)
{
    const double radians = qDegreesToRadians(degrees);
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    return { c * local.x() - s * local.y(), s * local.x() + c * local.y() };
}

struct CornerSigns {
    double sx;
    double sy;
};

CornerSigns signsOf(HandleKind corner)
{
    switch (corner) {
    case HandleKind::cornerTL:
        return { -1, -1 };
    case HandleKind::cornerTR:
        return { 1, -1 };
    case HandleKind::cornerBR:
        return { 1, 1 };
    default:
        return { -1, 1 };
    }
}

} // namespace

LayerBox boxOf(const Layer& layer)
{
    return { layer.position, layer.width, layer.height, layer.rotation };
}

LayerBox liveBox(const Layer& layer, const std::optional<LayerDragState>& dragState)
{
    if (dragState && dragState->layerId == layer.id)
        return { dragState->position, dragState->width, dragState->height, dragState->rotation };
    return boxOf(layer);
}

LayerDragState dragStateOf(const QUuid& layerId, const LayerBox& box)
{
    return { layerId, box.centre, box.width, box.height, box.rotation };
}

std::array<QPointF, 4> corners(const LayerBox& box)
{
    const double w = box.width / 2;
    const double h = box.height / 2;
    return { box.centre + turned({ -w, -h }, box.rotation), box.centre + turned({ w, -h }, box.rotation),
        box.centre + turned({ w, h }, box.rotation), box.centre + turned({ -w, h }, box.rotation) };
}

QPointF handleCentre(HandleKind handle, const LayerBox& box)
{
    const std::array<QPointF, 4> c = corners(box);
    switch (handle) {
    case HandleKind::cornerTL:
        return c[0];
    case HandleKind::cornerTR:
        return c[1];
    case HandleKind::cornerBR:
        return c[2];
    case HandleKind::cornerBL:
        return c[3];
    case HandleKind::edgeTop:
        return (c[0] + c[1]) / 2;
    case HandleKind::edgeRight:
        return (c[1] + c[2]) / 2;
    case HandleKind::edgeBottom:
        return (c[2] + c[3]) / 2;
    case HandleKind::edgeLeft:
        return (c[3] + c[0]) / 2;
    }
    return box.centre;
}

QPointF rotationHandleCentre(const LayerBox& box)
{
    const double distance = box.height / 2 + 4 + rotateHandleSize / 2;
    return box.centre + turned({ 0, -distance }, box.rotation);
}

LayerBox resized(HandleKind handle, const LayerBox& initial, QPointF translation, double scale)
{
    const QPointF d = translation / std::max(scale, 0.01);
    const double radians = qDegreesToRadians(initial.rotation);
    const double cosine = std::cos(radians);
    const double sine = std::sin(radians);
    const double lx = cosine * d.x() + sine * d.y();
    const double ly = cosine * d.y() - sine * d.x();
    const double w0 = initial.width;
    const double h0 = initial.height;

    LayerBox result = initial;
    QPointF shift;
    switch (handle) {
    case HandleKind::edgeTop:
        result.height = std::max(h0 - ly, minimumSide);
        shift = { 0, ly / 2 };
        break;
    case HandleKind::edgeBottom:
        result.height = std::max(h0 + ly, minimumSide);
        shift = { 0, ly / 2 };
        break;
    case HandleKind::edgeLeft:
        result.width = std::max(w0 - lx, minimumSide);
        shift = { lx / 2, 0 };
        break;
    case HandleKind::edgeRight:
        result.width = std::max(w0 + lx, minimumSide);
        shift = { lx / 2, 0 };
        break;
    default: {
        const CornerSigns s = signsOf(handle);
        const double diagonal = std::hypot(w0, h0);
        double k = diagonal > 0 ? std::hypot(lx + s.sx * w0, ly + s.sy * h0) / diagonal : 1.0;
        if (w0 > 0 && h0 > 0)
            k = std::max(k, std::max(minimumSide / w0, minimumSide / h0));
        result.width = k * w0;
        result.height = k * h0;
        shift = QPointF(-s.sx * w0 / 2, -s.sy * h0 / 2) * (1 - k);
        break;
    }
    }
    result.centre = initial.centre + turned(shift, initial.rotation);
    return result;
}

double pointerAngle(QPointF centre, QPointF pointer)
{
    return qRadiansToDegrees(std::atan2(pointer.y() - centre.y(), pointer.x() - centre.x()));
}

double rotated(double initialRotation, double initialAngle, double angle)
{
    return initialRotation + (angle - initialAngle);
}

} // namespace LayerGeometry
