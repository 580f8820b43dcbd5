#pragma once

#include "gallery/GalleryDrop.h"
#include "gallery/ImportRequest.h"
#include "moodboard_ui/CanvasSelectionOverlay.h"
#include "moodboard_ui/CanvasViewport.h"
#include "moodboard_ui/LayerItemView.h"

#include <QHash>
#include <QPixmap>
#include <QThreadPool>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class CanvasStore;
class GalleryStore;
class MoodBoardViewState;
class Theme;

// The canvas frame of the board: the layers seen through the panned and
// zoomed viewport, the selection overlay, the two scrollbars with the zoom
// read-out, clicks and drags on layers and handles, and drops: items from the
// gallery become layers at once, pictures from elsewhere go out to be
// imported. The widget covers exactly the canvas frame; its coordinates are
// the frame's.
//
// A gesture on a layer repaints only the area the layer and its overlay sweep,
// over pictures of the layers beneath and above it made when the gesture
// began, so that dragging costs the same however full the board is.
class MoodBoardCanvasView : public QWidget {
    Q_OBJECT

public:
    MoodBoardCanvasView(const Theme& theme, MoodBoardViewState& viewState, CanvasStore& canvasStore,
        GalleryStore& galleryStore, QWidget* parent = nullptr);
    ~MoodBoardCanvasView() override;

    // The card's size; the widget places itself on the card's canvas frame.
    void setCardSize(QSizeF card);
    // The viewport in effect, a thumb drag's temporary offset included.
    [[nodiscard]] CanvasViewport viewport() const;
    // Layers whose image is still being decoded.
    [[nodiscard]] int pendingDecodes() const { return m_pendingDecodes; }

Q_SIGNALS:
    // Every layer's image has been decoded and drawn at least once.
    void layersDecoded();
    // Files or picture data from another program were dropped at `world`.
    void picturesDropped(const ImportRequest& request, QPointF world);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class GestureKind { none, layer, grip, background, thumb, arrow };
    struct Gesture {
        GestureKind kind = GestureKind::none;
        QPointF start;
        bool moved = false;
        LayerItemView* layer = nullptr;
        CanvasSelectionOverlay::Grip grip = HandleKind::cornerTL;
        CanvasScrollbars::Axis axis = CanvasScrollbars::Axis::vertical;
        double thumbStartCentre = 0;
        double arrowDelta = 0;
    };
    // Pictures of the layers under and over the one being dragged.
    struct DragBackdrop {
        QUuid layerId;
        QPixmap below;
        QPixmap above;
    };

    void syncLayers();
    void syncSelection();
    void requestDecodes();
    // The viewport without a thumb drag's temporary offset.
    [[nodiscard]] CanvasViewport committedViewport() const;
    void publishPlacementHints();
    void viewportChanged();
    void dragStateChanged();

    [[nodiscard]] LayerItemView* layerAt(QPointF point) const;
    [[nodiscard]] LayerItemView* draggedLayer() const;
    [[nodiscard]] QRectF gestureArea() const;
    void beginBackdrop(const LayerItemView& dragged);
    // With `postponed`, copies for another zoom are remade only until the
    // frame's budget is spent; the rest are drawn stretched and their areas
    // added to `postponed`, for the frames that follow.
    void paintLayers(QPainter& painter, const CanvasViewport& viewport, qsizetype from, qsizetype to, bool rescale,
        QRegion* postponed = nullptr);
    void paintScrollbars(QPainter& painter, const CanvasViewport& viewport) const;
    bool pressScrollbar(QPointF point);
    void endGesture(QPointF point);
    // Adds the item as a layer centred at `world`, as one undo step.
    void addGalleryItem(const GalleryDrop& drop, QPointF world);

    const Theme& m_theme;
    MoodBoardViewState& m_viewState;
    CanvasStore& m_store;
    GalleryStore& m_galleryStore;
    QSizeF m_card { CanvasViewport::baseWidth, CanvasViewport::baseHeight };

    std::vector<std::unique_ptr<LayerItemView>> m_layers; // back to front
    std::unique_ptr<CanvasSelectionOverlay> m_overlay; // while a layer is selected
    std::optional<double> m_tempOffsetX;
    std::optional<double> m_tempOffsetY;
    Gesture m_gesture;
    std::optional<DragBackdrop> m_backdrop;
    QRectF m_lastGestureArea;

    // After a zoom, layers are drawn from their copies for the old zoom until
    // the wheel rests; then the copies are remade once, over as many frames
    // as keep each one short.
    bool m_zooming = false;
    double m_lastScale = 1.0;
    QTimer m_zoomSettled;

    QThreadPool m_decodePool;
    int m_pendingDecodes = 0;
};
