#pragma once

#include "canvas/Layer.h"
#include "moodboard_ui/LayerGeometry.h"

#include <QRectF>

#include <optional>
#include <variant>

class CanvasStore;
class DragStatePublisher;
class QPainter;
class Theme;
struct CanvasViewport;

// The selected layer's dashed outline, its eight handles and its rotation
// handle, and the resize and rotation gestures they start. While a gesture
// runs only the published drag geometry changes; its end writes the layer
// once, as one undo step.
class CanvasSelectionOverlay {
public:
    struct RotationHandle { };
    using Grip = std::variant<HandleKind, RotationHandle>;

    CanvasSelectionOverlay(CanvasStore& store, const Theme& theme);

    void setLayer(const Layer& layer) { m_layer = layer; }
    [[nodiscard]] const Layer& layer() const { return m_layer; }
    [[nodiscard]] LayerBox liveBox() const;

    // The grip under `point` (canvas-frame points), if any.
    [[nodiscard]] std::optional<Grip> gripAt(const CanvasViewport& viewport, QPointF point) const;
    // The canvas-frame area the overlay covers at `box`, for repainting.
    [[nodiscard]] static QRectF viewBounds(const CanvasViewport& viewport, const LayerBox& box);
    void paint(QPainter& painter, const CanvasViewport& viewport) const;

    // A handle dragged `translation` view points since the press.
    void resizeChanged(HandleKind handle, QPointF translation, double scale);
    void resizeEnded(HandleKind handle, QPointF translation, double scale);
    // The rotation handle dragged to `pointer` (canvas-frame points).
    void rotationChanged(const CanvasViewport& viewport, QPointF pointer);
    void rotationEnded();
    [[nodiscard]] bool isDragging() const { return m_dragHandle.has_value() || m_dragRotation.has_value(); }

private:
    CanvasStore& m_store;
    DragStatePublisher& m_publisher;
    const Theme& m_theme;
    Layer m_layer;

    std::optional<HandleKind> m_dragHandle;
    LayerBox m_dragInit; // the layer when the handle drag began
    std::optional<double> m_dragRotation;
    double m_rotationInitAngle = 0;
    double m_rotationInitLayer = 0;
};
