#pragma once

#include "canvas/CanvasFiles.h"
#include "canvas/CanvasHistory.h"
#include "canvas/DragStatePublisher.h"
#include "canvas/Layer.h"
#include "gallery/ImageImporter.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class GalleryStore;
class SerialQueue;

// The mood board's model: the layers (back to front after any add, duplicate or
// z-order change), the selection, five steps of undo and redo, the placement of
// new layers and the rendering of the whole canvas. Everything runs on the main
// thread; every change ends by queueing one write of the canvas files, which
// runs on the store's own serial queue with copies of what it writes.
class CanvasStore : public QObject {
    Q_OBJECT

public:
    using Snapshot = CanvasHistory::Snapshot;

    struct PayloadResult {
        qsizetype added = 0;
        qsizetype skipped = 0;
    };

    static constexpr double staggerOffset = 20.0;
    static constexpr double exportScale = 3.0;
    static constexpr qsizetype maxUndoDepth = CanvasHistory::maxDepth;

    // `rootFolder` is the "Scrapwick" data folder; the layer folder is created and
    // the canvas read before the constructor returns. An empty path keeps the
    // canvas in memory only.
    CanvasStore(GalleryStore& galleryStore, const QString& rootFolder, QObject* parent = nullptr);
    // Finishes every queued write first, and tries once more what could not be written.
    ~CanvasStore() override;

    [[nodiscard]] const QList<Layer>& layers() const { return m_layers; }
    [[nodiscard]] const std::optional<QUuid>& selectedLayerId() const { return m_selectedLayerId; }
    void setSelectedLayerId(const std::optional<QUuid>& layerId);
    [[nodiscard]] bool showLayerPanel() const { return m_showLayerPanel; }
    void setShowLayerPanel(bool show);
    [[nodiscard]] DragStatePublisher& dragPublisher() { return *m_dragPublisher; }

    // Placement hints kept up to date by the mood board view: the world point at
    // the centre of what is visible, and the visible size. Non-finite values are ignored.
    [[nodiscard]] QPointF dropOrigin() const { return m_dropOrigin; }
    void setDropOrigin(const QPointF& origin);
    [[nodiscard]] QSizeF contentArea() const { return m_contentArea; }
    void setContentArea(const QSizeF& area);

    [[nodiscard]] qint64 nextLayerNumber() const { return m_nextLayerNumber; }
    [[nodiscard]] qint64 nextStaggerCount() const { return m_nextStaggerCount; }
    [[nodiscard]] const QList<Snapshot>& undoStack() const { return m_history.undoStack(); }
    [[nodiscard]] const QList<Snapshot>& redoStack() const { return m_history.redoStack(); }
    [[nodiscard]] QString canvasLayersFolder() const { return m_files.layersFolder(); }
    [[nodiscard]] QString canvasJsonPath() const { return m_files.recordPath(); }

    // Records the current state as one undo step. The drop of a gallery item
    // calls it just before addLayer; every other change records its own.
    void pushUndoSnapshot();
    void undo();
    void redo();

    // One layer from a gallery item's PNG bytes, at `position` or, with
    // `useStagger`, at the next staggered place. Records no undo step. Answers
    // "图片数据无效" when the bytes are not an image.
    std::optional<QString> addLayer(
        const QUuid& clipItemId, const QByteArray& imageData, const QPointF& position, bool useStagger);
    // "Add to MoodBoard": {"items": [{"imageData": QByteArray, "clipItemId": QString}, ...]},
    // placed staggered as one undo step.
    PayloadResult addLayersFromPayload(const QVariantMap& payload);
    // Pictures just imported into the gallery, dropped or pasted on the board:
    // the first centred at `position`, each next one a stagger step further
    // right and down, fitted like every new layer; one undo step for all, none
    // when nothing could be added. Bytes without an image header are skipped;
    // only the header is read, so that many large pictures arriving at once do
    // not hold up the board while they are decoded (the view decodes them off
    // the main thread, as it does every layer).
    // The staggered places of "Add to MoodBoard" are not used up.
    PayloadResult addLayersAt(const QList<ImportedImage>& pictures, const QPointF& position);

    void duplicateSelectedLayer();
    void deleteLayer(const QUuid& layerId);
    // Removes every layer and the history; cannot be undone.
    void clearCanvas();
    void rotateSelectedLayer(double stepDegrees);
    void flipSelectedLayerHorizontally();
    void flipSelectedLayerVertically();
    void bringSelectedLayerForward();
    void sendSelectedLayerBackward();
    void bringSelectedLayerToFront();
    void sendSelectedLayerToBack();

    // The end of a drag: one undo step each, even when no layer has the id.
    // Non-finite geometry is refused; sides are limited to what the canvas file
    // accepts when read back.
    void commitTransform(const QUuid& layerId, const QPointF& position, double width, double height);
    void commitMove(const QUuid& layerId, const QPointF& position);
    void commitRotation(const QUuid& layerId, double rotation);

    [[nodiscard]] std::optional<QRectF> contentBounds() const;
    // `exportScale` pixels per canvas point; see CanvasRendering::renderImage.
    [[nodiscard]] std::optional<QImage> renderImage(const QRectF& area) const;

    // Blocks until every file write queued so far has finished (tests, benchmarks).
    void waitForPendingWrites();
    // Runs `then` on the write queue once every write queued so far has finished,
    // without waiting for it: the crash test reports what is on the disk this way.
    void afterPendingWrites(std::function<void()> then);

Q_SIGNALS:
    void layersChanged();
    void selectedLayerIdChanged();
    void showLayerPanelChanged();
    // The undo or redo stack changed: undo or redo may have become (un)available.
    void historyChanged();

private:
    // Decodes the bytes to learn their size; nothing when they are not an image.
    std::optional<Layer> makeLayer(
        const QUuid& clipItemId, const QByteArray& imageData, const QPointF& position, bool useStagger);
    Layer makeLayerOfSize(
        const QUuid& clipItemId, const QByteArray& imageData, QSize pixels, const QPointF& position, bool useStagger);
    Layer* selectedLayer();
    Layer* layerWithId(const QUuid& layerId);
    void recordSnapshot();
    void sortLayersByZIndex();
    void normalizeZIndices();
    qint64 zIndexAboveAll();
    void swapSelectedLayerWithNeighbour(bool upward);
    QList<Layer> restoreLayers(const Snapshot& snapshot) const;
    void restore(const std::optional<Snapshot>& target);
    void editSelectedLayer(const std::function<void(Layer&)>& change);
    void commit(const QUuid& layerId, const std::function<void(Layer&)>& change);
    // `lastAttempt`: the job submitted when the store goes, which only runs when
    // earlier jobs left something unwritten.
    void persistCanvas(QList<std::pair<QUuid, QByteArray>> writes, QList<QUuid> deletions, bool lastAttempt = false);

    GalleryStore& m_galleryStore;
    CanvasFiles m_files;
    bool m_hasFolder = false;
    std::unique_ptr<SerialQueue> m_ioQueue;
    DragStatePublisher* m_dragPublisher = nullptr; // child of this store

    QList<Layer> m_layers;
    std::optional<QUuid> m_selectedLayerId;
    bool m_showLayerPanel = false;
    qint64 m_nextStaggerCount = 0;
    QPointF m_dropOrigin;
    QSizeF m_contentArea { 518, 312 };
    qint64 m_nextLayerNumber = 1;
    CanvasHistory m_history;
};
