#pragma once

#include "canvas/Layer.h"
#include "moodboard_ui/LayerGeometry.h"

#include <QImage>
#include <QPixmap>
#include <QSizeF>

#include <optional>

class CanvasStore;
class DragStatePublisher;
class QPainter;
struct CanvasViewport;

// One layer of the board: draws it at its live geometry and carries the move
// gesture. It is not a widget of its own: the canvas draws its layers into one
// surface and hands each its share of the pointer, so that a drag repaints the
// moving layer alone over a cached picture of the others.
//
// The image is decoded once, off the main thread, at the resolution the layer
// can need at the highest zoom; what is drawn comes from a copy scaled and
// mirrored for the current zoom, so a frame is one plain copy per layer.
class LayerItemView {
public:
    explicit LayerItemView(const Layer& layer);

    [[nodiscard]] const Layer& layer() const { return m_layer; }
    // The same layer as stored now; a decoded image is kept while the bytes stay.
    void setLayer(const Layer& layer);

    // The longest side, in pixels, the image should be decoded at for this
    // layer at the highest zoom, or nothing when the decoded image suffices.
    [[nodiscard]] std::optional<int> decodeNeeded(qreal devicePixelRatio) const;
    // `requested` is what the decode was asked for; a null image means the
    // bytes do not decode, and the layer is drawn as nothing.
    void setDecodedImage(const QImage& image, int requested);
    [[nodiscard]] bool decodePending() const { return m_decodePending; }
    void setDecodePending(bool pending) { m_decodePending = pending; }

    // Where the layer is at this moment: its own move wins, then the drag
    // geometry published for it, then the stored layer.
    [[nodiscard]] LayerBox liveBox(const DragStatePublisher& publisher) const;
    // The canvas-frame area the layer covers at `box`, for repainting.
    [[nodiscard]] static QRectF viewBounds(const CanvasViewport& viewport, const LayerBox& box);
    [[nodiscard]] static bool contains(const LayerBox& box, QPointF world);

    // Whether a copy made for another zoom is held, which a paint with
    // `rescale` would remake.
    [[nodiscard]] bool copyIsStale(double scale, qreal devicePixelRatio) const;
    // The whole pixels the layer's copy covers opaquely at `box`: empty unless
    // the layer is upright and its picture has no transparency.
    [[nodiscard]] QRect opaqueArea(const CanvasViewport& viewport, const LayerBox& box) const;
    // Without `rescale` a copy made for another zoom is drawn stretched rather
    // than remade: the wheel is still turning.
    void paint(
        QPainter& painter, const CanvasViewport& viewport, const LayerBox& box, qreal devicePixelRatio, bool rescale);

    // The move gesture; `translation` is in view points since the press.
    void moveChanged(QPointF translation, double scale, DragStatePublisher& publisher);
    void moveEnded(CanvasStore& store, DragStatePublisher& publisher);
    [[nodiscard]] bool isMoving() const { return m_moving; }

private:
    // The copy's size in pixels at `scale`; it follows the stored size.
    [[nodiscard]] QSize copySize(double scale, qreal devicePixelRatio) const;

    Layer m_layer;
    QSizeF m_dragOffset; // world points
    bool m_moving = false; // also while the pointer is back where it started
    QImage m_cachedImage;
    int m_decodedFor = 0; // the longest side the decode was asked for
    bool m_decodeFailed = false;
    bool m_decodePending = false;
    // The image at the size it was last drawn, mirrored as the layer is.
    QPixmap m_scaled;
    QSize m_scaledSize;
    bool m_scaledFlipH = false;
    bool m_scaledFlipV = false;
};
