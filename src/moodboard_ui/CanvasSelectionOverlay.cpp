#include "moodboard_ui/CanvasSelectionOverlay.h"

#include "canvas/CanvasStore.h"
#include "canvas/DragStatePublisher.h"
#include "moodboard_ui/CanvasViewport.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

using namespace LayerGeometry;

namespace {
// Handles are 6 points wide on screen, but a pointer gets them from a few
// points around, which a 6-point target would make fiddly.
constexpr double handleGrabSize = 10;
} // namespace

CanvasSelectionOverlay::CanvasSelectionOverlay(CanvasStore& store, const Theme& theme)
    : m_store(store)
    , m_publisher(store.dragPublisher())
    , m_theme(theme)
{
}

LayerBox CanvasSelectionOverlay::liveBox() const
{
    return LayerGeometry::liveBox(m_layer, m_publisher.state());
}

std::optional<CanvasSelectionOverlay::Grip> CanvasSelectionOverlay::gripAt(
    const CanvasViewport& viewport, QPointF point) const
{
    const LayerBox box = liveBox();
    const auto near = [&](QPointF world, double side) {
        const QPointF centre = viewport.viewFromWorld(world);
        return std::abs(point.x() - centre.x()) <= side / 2 && std::abs(point.y() - centre.y()) <= side / 2;
    };
    if (near(rotationHandleCentre(box), rotateHandleSize))
        return Grip(RotationHandle {});
    for (const HandleKind handle : allHandles) {
        if (near(handleCentre(handle, box), handleGrabSize))
            return Grip(handle);
    }
    return std::nullopt;
}

QRectF CanvasSelectionOverlay::viewBounds(const CanvasViewport& viewport, const LayerBox& box)
{
    QRectF bounds;
    const auto add = [&](QPointF world, double side) {
        const QPointF centre = viewport.viewFromWorld(world);
        const QRectF square(centre.x() - side / 2, centre.y() - side / 2, side, side);
        bounds = bounds.isNull() ? square : bounds.united(square);
    };
    for (const QPointF& corner : corners(box))
        add(corner, handleSize);
    add(rotationHandleCentre(box), rotateHandleSize);
    return bounds.adjusted(-2, -2, 2, 2);
}

void CanvasSelectionOverlay::paint(QPainter& painter, const CanvasViewport& viewport) const
{
    const LayerBox box = liveBox();
    const std::array<QPointF, 4> c = corners(box);
    painter.save();
    QPainterPath outline;
    outline.moveTo(viewport.viewFromWorld(c[0]));
    for (int i = 1; i < 4; ++i)
        outline.lineTo(viewport.viewFromWorld(c[i]));
    outline.closeSubpath();
    QPen dashed(m_theme.palette().ink, 1);
    dashed.setDashPattern({ 3, 3 });
    dashed.setCapStyle(Qt::FlatCap);
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);

    for (const HandleKind handle : allHandles) {
        const QPointF centre = viewport.viewFromWorld(handleCentre(handle, box));
        painter.fillRect(QRectF(centre.x() - handleSize / 2, centre.y() - handleSize / 2, handleSize, handleSize),
            m_theme.palette().ink);
    }
    const QPointF rotation = viewport.viewFromWorld(rotationHandleCentre(box));
    m_theme.drawImage(painter,
        QRectF(rotation.x() - rotateHandleSize / 2, rotation.y() - rotateHandleSize / 2, rotateHandleSize,
            rotateHandleSize),
        QStringLiteral("icon-layer-rotate-handle"));
    painter.restore();
}

void CanvasSelectionOverlay::resizeChanged(HandleKind handle, QPointF translation, double scale)
{
    if (!m_dragHandle) {
        m_dragHandle = handle;
        m_dragInit = liveBox();
    }
    m_publisher.setState(dragStateOf(m_layer.id, resized(handle, m_dragInit, translation, scale)));
}

void CanvasSelectionOverlay::resizeEnded(HandleKind handle, QPointF translation, double scale)
{
    if (!m_dragHandle)
        return;
    const LayerBox result = resized(handle, m_dragInit, translation, scale);
    const LayerBox before = m_dragInit;
    m_dragHandle.reset();
    m_publisher.setState(std::nullopt);
    // A press on a handle that never moved leaves nothing to undo.
    if (result.centre != before.centre || result.width != before.width || result.height != before.height)
        m_store.commitTransform(m_layer.id, result.centre, result.width, result.height);
}

void CanvasSelectionOverlay::rotationChanged(const CanvasViewport& viewport, QPointF pointer)
{
    const LayerBox box = liveBox();
    const double angle = pointerAngle(viewport.viewFromWorld(box.centre), pointer);
    if (!m_dragRotation) {
        m_rotationInitAngle = angle;
        m_rotationInitLayer = box.rotation;
    }
    m_dragRotation = rotated(m_rotationInitLayer, m_rotationInitAngle, angle);
    LayerBox turned = box;
    turned.rotation = *m_dragRotation;
    m_publisher.setState(dragStateOf(m_layer.id, turned));
}

void CanvasSelectionOverlay::rotationEnded()
{
    if (!m_dragRotation)
        return;
    const double rotation = *std::exchange(m_dragRotation, std::nullopt);
    m_publisher.setState(std::nullopt);
    if (rotation != m_rotationInitLayer)
        m_store.commitRotation(m_layer.id, rotation);
}
