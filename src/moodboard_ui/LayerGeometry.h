#pragma once

#include "canvas/Layer.h"
#include "canvas/LayerDragState.h"

#include <QPointF>
#include <QSizeF>

#include <array>
#include <optional>

// The arithmetic of drawing and handling one layer on the board, apart from
// any widget: its live geometry during a gesture, the outline and handles of
// the selection, and what a handle or rotation drag makes of the layer.
// World points throughout unless a name says otherwise; rotation is in
// degrees, clockwise on screen.

enum class HandleKind { cornerTL, cornerTR, cornerBR, cornerBL, edgeTop, edgeRight, edgeBottom, edgeLeft };

inline constexpr std::array<HandleKind, 8> allHandles { HandleKind::cornerTL, HandleKind::cornerTR,
    HandleKind::cornerBR, HandleKind::cornerBL, HandleKind::edgeTop, HandleKind::edgeRight, HandleKind::edgeBottom,
    HandleKind::edgeLeft };

struct LayerBox {
    QPointF centre;
    double width = 0;
    double height = 0;
    double rotation = 0;

    friend bool operator==(const LayerBox&, const LayerBox&) = default;
};

namespace LayerGeometry {

inline constexpr double handleSize = 6;
inline constexpr double rotateHandleSize = 14;
inline constexpr double minimumSide = 10;
inline constexpr double moveThreshold = 2;

[[nodiscard]] LayerBox boxOf(const Layer& layer);
// What the selection overlay shows: the published drag geometry when it is
// this layer's, else the layer as stored.
[[nodiscard]] LayerBox liveBox(const Layer& layer, const std::optional<LayerDragState>& dragState);
[[nodiscard]] LayerDragState dragStateOf(const QUuid& layerId, const LayerBox& box);

// Top-left, top-right, bottom-right, bottom-left, as the layer is turned.
[[nodiscard]] std::array<QPointF, 4> corners(const LayerBox& box);
[[nodiscard]] QPointF handleCentre(HandleKind handle, const LayerBox& box);
// 4 points above the top edge along the layer's turned vertical axis.
[[nodiscard]] QPointF rotationHandleCentre(const LayerBox& box);

// The layer after a handle of `initial` was dragged `translation` view points
// at zoom `scale`. Corners scale uniformly about the opposite corner, edges
// stretch one side in the layer's own turned frame; no side goes under 10.
[[nodiscard]] LayerBox resized(HandleKind handle, const LayerBox& initial, QPointF translation, double scale);

// The direction from `centre` to `pointer` in degrees: 0 to the right,
// growing clockwise on screen.
[[nodiscard]] double pointerAngle(QPointF centre, QPointF pointer);
// The rotation after the pointer turned from `initialAngle` to `angle`;
// neither snapped nor wrapped.
[[nodiscard]] double rotated(double initialRotation, double initialAngle, double angle);

} // namespace LayerGeometry
