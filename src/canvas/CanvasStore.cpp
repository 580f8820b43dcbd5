#include "canvas/CanvasStore.h"

#include "canvas/CanvasRendering.h"
#include "gallery/GalleryStore.h"
#include "platform/ApplicationId.h"
#include "platform/Log.h"
#include "platform/SerialQueue.h"
#include "platform/Uuids.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {
constexpr qint64 largestInteger = std::numeric_limits<qint64>::max();
constexpr qint64 smallestInteger = std::numeric_limits<qint64>::min();

// Counters read from a file may sit at the edge of their range; they stop there
// rather than wrap around.
qint64 incremented(qint64 value)
{
    return value == largestInteger ? value : value + 1;
}

bool isFinite(const QPointF& point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

const QString invalidImageMessage = QStringLiteral("图片数据无效");

// From the header alone; empty when the bytes do not start like an image.
QSize pixelSizeOf(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    return reader.canRead() ? reader.size() : QSize();
}
} // namespace

CanvasStore::CanvasStore(GalleryStore& galleryStore, const QString& rootFolder, QObject* parent)
    : QObject(parent)
    , m_galleryStore(galleryStore)
    , m_files(rootFolder)
    , m_hasFolder(!rootFolder.isEmpty())
    , m_ioQueue(std::make_unique<SerialQueue>(applicationQueueLabel(QStringLiteral("canvas-persistence"))))
    , m_dragPublisher(new DragStatePublisher(this))
{
    if (!m_hasFolder) {
        Log::line(QStringLiteral("[CanvasStore] No data folder found; the canvas will not be saved"));
        return;
    }
    CanvasFiles::Loaded loaded = m_files.load();
    m_layers = std::move(loaded.layers);
    m_nextLayerNumber = loaded.nextLayerNumber;
    m_ioQueue->submit([files = m_files, ids = std::move(loaded.recordedIds)] { files.tidyAtStart(ids); });
}

CanvasStore::~CanvasStore()
{
    // A last try at whatever a full or failing disk kept from being written.
    persistCanvas({}, {}, true);
}

void CanvasStore::setSelectedLayerId(const std::optional<QUuid>& layerId)
{
    if (layerId == m_selectedLayerId)
        return;
    m_selectedLayerId = layerId;
    Q_EMIT selectedLayerIdChanged();
}

void CanvasStore::setShowLayerPanel(bool show)
{
    if (show == m_showLayerPanel)
        return;
    m_showLayerPanel = show;
    Q_EMIT showLayerPanelChanged();
}

void CanvasStore::setDropOrigin(const QPointF& origin)
{
    if (isFinite(origin))
        m_dropOrigin = origin;
}

void CanvasStore::setContentArea(const QSizeF& area)
{
    if (std::isfinite(area.width()) && std::isfinite(area.height()))
        m_contentArea = area;
}

// ---- history

void CanvasStore::recordSnapshot()
{
    m_history.record(CanvasHistory::snapshotOf(m_layers));
    Q_EMIT historyChanged();
}

void CanvasStore::pushUndoSnapshot()
{
    recordSnapshot();
}

void CanvasStore::undo()
{
    restore(m_history.stepBack(CanvasHistory::snapshotOf(m_layers)));
}

void CanvasStore::redo()
{
    restore(m_history.stepForward(CanvasHistory::snapshotOf(m_layers)));
}

void CanvasStore::restore(const std::optional<Snapshot>& target)
{
    if (!target)
        return;
    QList<Layer> restored = restoreLayers(*target);
    // Layers this step takes off the canvas keep their bytes, as deleted ones do:
    // their files may be rewritten later or not written yet, and their gallery
    // items may be gone, so a later redo or undo could not bring them back.
    QSet<QUuid> restoredIds;
    for (const Layer& layer : std::as_const(restored))
        restoredIds.insert(layer.id);
    QList<Layer> leaving;
    for (const Layer& layer : std::as_const(m_layers)) {
        if (!restoredIds.contains(layer.id))
            leaving.append(layer);
    }
    m_history.retainRemoved(leaving);
    QList<std::pair<QUuid, QByteArray>> writes;
    writes.reserve(restored.size());
    for (const Layer& layer : std::as_const(restored))
        writes.append({ layer.id, layer.imageData });
    m_layers = std::move(restored);
    const bool hadSelection = m_selectedLayerId.has_value();
    m_selectedLayerId.reset();
    persistCanvas(std::move(writes), {});
    Q_EMIT historyChanged();
    Q_EMIT layersChanged();
    if (hadSelection)
        Q_EMIT selectedLayerIdChanged();
}

// Bytes come from memory first: a layer still on the canvas, or one the history
// keeps because a deletion, an undo or a redo took it off. Its file may be
// stale, or not written yet, while write jobs are queued. Failing that from the
// file, and last from the gallery item the layer was made from. A layer found
// nowhere is left out.
QList<Layer> CanvasStore::restoreLayers(const Snapshot& snapshot) const
{
    QHash<QUuid, QByteArray> current;
    for (const Layer& layer : m_layers)
        current.insert(layer.id, layer.imageData);

    QList<Layer> layers;
    layers.reserve(snapshot.size());
    for (const LayerSnapshot& entry : snapshot) {
        std::optional<QByteArray> bytes;
        if (const auto found = current.constFind(entry.id); found != current.constEnd())
            bytes = *found;
        if (!bytes)
            bytes = m_history.retainedBytes(entry.id);
        if (!bytes && m_hasFolder)
            bytes = m_files.readLayerImage(entry.id);
        if (!bytes)
            bytes = m_galleryStore.imageDataFor(entry.clipItemId);
        if (bytes)
            layers.append(entry.toLayer(std::move(*bytes)));
    }
    return layers;
}

// ---- adding layers

std::optional<Layer> CanvasStore::makeLayer(
    const QUuid& clipItemId, const QByteArray& imageData, const QPointF& position, bool useStagger)
{
    const QImage image = QImage::fromData(imageData);
    if (image.isNull())
        return std::nullopt;
    return makeLayerOfSize(clipItemId, imageData, image.size(), position, useStagger);
}

Layer CanvasStore::makeLayerOfSize(
    const QUuid& clipItemId, const QByteArray& imageData, QSize pixels, const QPointF& position, bool useStagger)
{
    double width = pixels.width() * 0.5;
    double height = pixels.height() * 0.5;
    // New layers fit the visible area; a side exactly at the limit is left alone,
    // and small images are never enlarged.
    const double limit = 0.8 * std::min(m_contentArea.width(), m_contentArea.height());
    if (limit > 0 && (width > limit || height > limit)) {
        const double factor = limit / std::max(width, height);
        width *= factor;
        height *= factor;
    }

    QPointF centre = position;
    if (useStagger) {
        const double step = staggerOffset * double(m_nextStaggerCount);
        centre = m_dropOrigin + QPointF(step, step);
        m_nextStaggerCount = incremented(m_nextStaggerCount);
    }

    Layer layer;
    layer.id = QUuid::createUuid();
    layer.clipItemId = clipItemId;
    layer.imageData = imageData;
    layer.name = QStringLiteral("Layer ") + QString::number(m_nextLayerNumber);
    layer.position = centre;
    layer.width = width;
    layer.height = height;
    layer.zIndex = zIndexAboveAll();
    m_nextLayerNumber = incremented(m_nextLayerNumber);

    m_layers.append(layer);
    sortLayersByZIndex();
    return layer;
}

std::optional<QString> CanvasStore::addLayer(
    const QUuid& clipItemId, const QByteArray& imageData, const QPointF& position, bool useStagger)
{
    const auto layer = makeLayer(clipItemId, imageData, position, useStagger);
    if (!layer)
        return invalidImageMessage;
    persistCanvas({ { layer->id, layer->imageData } }, {});
    Q_EMIT layersChanged();
    return std::nullopt;
}

CanvasStore::PayloadResult CanvasStore::addLayersFromPayload(const QVariantMap& payload)
{
    const auto items = payload.constFind(QStringLiteral("items"));
    if (items == payload.constEnd() || items->typeId() != QMetaType::QVariantList)
        return {};
    const QVariantList list = items->toList();
    for (const QVariant& item : list) {
        if (item.typeId() != QMetaType::QVariantMap)
            return {};
    }

    recordSnapshot();
    PayloadResult result;
    QList<std::pair<QUuid, QByteArray>> writes;
    for (const QVariant& item : list) {
        const QVariantMap map = item.toMap();
        const QVariant imageData = map.value(QStringLiteral("imageData"));
        const QVariant clipItemText = map.value(QStringLiteral("clipItemId"));
        const auto clipItemId
            = clipItemText.typeId() == QMetaType::QString ? Uuids::parseStrict(clipItemText.toString()) : std::nullopt;
        std::optional<Layer> layer;
        if (imageData.typeId() == QMetaType::QByteArray && clipItemId)
            layer = makeLayer(*clipItemId, imageData.toByteArray(), QPointF(), true);
        if (!layer) {
            ++result.skipped;
            continue;
        }
        ++result.added;
        writes.append({ layer->id, layer->imageData });
    }
    if (result.added > 0) {
        persistCanvas(std::move(writes), {});
        Q_EMIT layersChanged();
    }
    return result;
}

CanvasStore::PayloadResult CanvasStore::addLayersAt(const QList<ImportedImage>& pictures, const QPointF& position)
{
    if (!isFinite(position))
        return { 0, pictures.size() };
    // Taken before the first layer goes in, recorded only once one has.
    Snapshot before = CanvasHistory::snapshotOf(m_layers);
    PayloadResult result;
    QList<std::pair<QUuid, QByteArray>> writes;
    for (const ImportedImage& picture : pictures) {
        const double step = staggerOffset * double(result.added);
        const QSize pixels = pixelSizeOf(picture.pngData);
        if (pixels.isEmpty()) {
            ++result.skipped;
            continue;
        }
        const Layer layer = makeLayerOfSize(picture.id, picture.pngData, pixels, position + QPointF(step, step), false);
        ++result.added;
        writes.append({ layer.id, layer.imageData });
    }
    if (result.added == 0)
        return result;
    m_history.record(std::move(before));
    persistCanvas(std::move(writes), {});
    Q_EMIT historyChanged();
    Q_EMIT layersChanged();
    return result;
}

void CanvasStore::duplicateSelectedLayer()
{
    const Layer* selected = selectedLayer();
    if (!selected)
        return;
    recordSnapshot();
    Layer copy = *selected;
    copy.id = QUuid::createUuid();
    copy.name = QStringLiteral("Layer ") + QString::number(m_nextLayerNumber);
    m_nextLayerNumber = incremented(m_nextLayerNumber);
    copy.position += QPointF(15, 15);
    copy.zIndex = zIndexAboveAll();
    m_layers.append(copy);
    sortLayersByZIndex();
    m_selectedLayerId = copy.id;
    persistCanvas({ { copy.id, copy.imageData } }, {});
    Q_EMIT layersChanged();
    Q_EMIT selectedLayerIdChanged();
}

// ---- removing layers

void CanvasStore::deleteLayer(const QUuid& layerId)
{
    recordSnapshot();
    QList<Layer> removed;
    for (const Layer& layer : std::as_const(m_layers)) {
        if (layer.id == layerId)
            removed.append(layer);
    }
    m_layers.removeIf([&layerId](const Layer& layer) { return layer.id == layerId; });
    m_history.retainRemoved(removed);
    const bool wasSelected = m_selectedLayerId == layerId;
    if (wasSelected)
        m_selectedLayerId.reset();
    persistCanvas({}, { layerId });
    if (!removed.isEmpty())
        Q_EMIT layersChanged();
    if (wasSelected)
        Q_EMIT selectedLayerIdChanged();
}

void CanvasStore::clearCanvas()
{
    if (m_layers.isEmpty())
        return;
    QList<QUuid> ids;
    ids.reserve(m_layers.size());
    for (const Layer& layer : std::as_const(m_layers))
        ids.append(layer.id);
    m_layers.clear();
    m_history.clear();
    const bool hadSelection = m_selectedLayerId.has_value();
    m_selectedLayerId.reset();
    m_nextStaggerCount = 0;
    m_nextLayerNumber = 1;
    persistCanvas({}, std::move(ids));
    Q_EMIT layersChanged();
    Q_EMIT historyChanged();
    if (hadSelection)
        Q_EMIT selectedLayerIdChanged();
}

// ---- edits of the selected layer

Layer* CanvasStore::layerWithId(const QUuid& layerId)
{
    const auto found = std::find_if(
        m_layers.begin(), m_layers.end(), [&layerId](const Layer& layer) { return layer.id == layerId; });
    return found == m_layers.end() ? nullptr : &*found;
}

Layer* CanvasStore::selectedLayer()
{
    return m_selectedLayerId ? layerWithId(*m_selectedLayerId) : nullptr;
}

void CanvasStore::editSelectedLayer(const std::function<void(Layer&)>& change)
{
    if (!selectedLayer())
        return;
    recordSnapshot();
    change(*selectedLayer());
    persistCanvas({}, {});
    Q_EMIT layersChanged();
}

void CanvasStore::rotateSelectedLayer(double stepDegrees)
{
    if (!std::isfinite(stepDegrees))
        return;
    // A remainder with the dividend's sign, not a modulo: -90 stays -90.
    editSelectedLayer([stepDegrees](Layer& layer) { layer.rotation = std::fmod(layer.rotation + stepDegrees, 360.0); });
}

void CanvasStore::flipSelectedLayerHorizontally()
{
    editSelectedLayer([](Layer& layer) { layer.flipHorizontal = !layer.flipHorizontal; });
}

void CanvasStore::flipSelectedLayerVertically()
{
    editSelectedLayer([](Layer& layer) { layer.flipVertical = !layer.flipVertical; });
}

// ---- stacking order

void CanvasStore::sortLayersByZIndex()
{
    std::stable_sort(
        m_layers.begin(), m_layers.end(), [](const Layer& a, const Layer& b) { return a.zIndex < b.zIndex; });
}

void CanvasStore::normalizeZIndices()
{
    sortLayersByZIndex();
    qint64 position = 0;
    for (Layer& layer : m_layers)
        layer.zIndex = position++;
}

// One more than the largest zIndex (0 on an empty canvas). Values read from a
// file may already sit at the top of the range; renumbering keeps the order and
// makes room instead of overflowing.
qint64 CanvasStore::zIndexAboveAll()
{
    if (m_layers.isEmpty())
        return 0;
    auto largest = [this] {
        return std::max_element(m_layers.cbegin(), m_layers.cend(), [](const Layer& a, const Layer& b) {
            return a.zIndex < b.zIndex;
        })->zIndex;
    };
    if (largest() == largestInteger)
        normalizeZIndices();
    return largest() + 1;
}

void CanvasStore::bringSelectedLayerForward()
{
    swapSelectedLayerWithNeighbour(true);
}

void CanvasStore::sendSelectedLayerBackward()
{
    swapSelectedLayerWithNeighbour(false);
}

// Trades zIndex with the nearest layer above (or below); among layers tied at
// that zIndex the first in the list is taken. At the top (or bottom) nothing
// changes and no step is recorded.
void CanvasStore::swapSelectedLayerWithNeighbour(bool upward)
{
    const Layer* selected = selectedLayer();
    if (!selected)
        return;
    const auto beyond = [upward](qint64 a, qint64 b) { return upward ? a > b : a < b; };
    const qint64 z = selected->zIndex;
    const Layer* other = nullptr;
    for (const Layer& layer : std::as_const(m_layers)) {
        if (beyond(layer.zIndex, z) && (!other || beyond(other->zIndex, layer.zIndex)))
            other = &layer;
    }
    if (!other)
        return;
    const QUuid otherId = other->id;
    const qint64 otherZ = other->zIndex;
    recordSnapshot();
    selectedLayer()->zIndex = otherZ;
    layerWithId(otherId)->zIndex = z;
    normalizeZIndices();
    persistCanvas({}, {});
    Q_EMIT layersChanged();
}

void CanvasStore::bringSelectedLayerToFront()
{
    const Layer* selected = selectedLayer();
    if (!selected)
        return;
    const bool belowAnother = std::any_of(
        m_layers.cbegin(), m_layers.cend(), [z = selected->zIndex](const Layer& layer) { return layer.zIndex > z; });
    if (!belowAnother)
        return;
    recordSnapshot();
    const qint64 top = zIndexAboveAll(); // may renumber, so look the layer up again below
    selectedLayer()->zIndex = top;
    normalizeZIndices();
    persistCanvas({}, {});
    Q_EMIT layersChanged();
}

void CanvasStore::sendSelectedLayerToBack()
{
    const Layer* selected = selectedLayer();
    if (!selected)
        return;
    const bool aboveAnother = std::any_of(
        m_layers.cbegin(), m_layers.cend(), [z = selected->zIndex](const Layer& layer) { return layer.zIndex < z; });
    if (!aboveAnother)
        return;
    recordSnapshot();
    const auto smallest = [this] {
        return std::min_element(m_layers.cbegin(), m_layers.cend(), [](const Layer& a, const Layer& b) {
            return a.zIndex < b.zIndex;
        })->zIndex;
    };
    if (smallest() == smallestInteger)
        normalizeZIndices();
    const qint64 bottom = smallest() - 1;
    selectedLayer()->zIndex = bottom;
    normalizeZIndices();
    persistCanvas({}, {});
    Q_EMIT layersChanged();
}

// ---- commits at the end of a drag

void CanvasStore::commit(const QUuid& layerId, const std::function<void(Layer&)>& change)
{
    recordSnapshot();
    Layer* layer = layerWithId(layerId);
    if (layer)
        change(*layer);
    persistCanvas({}, {});
    if (layer)
        Q_EMIT layersChanged();
}

void CanvasStore::commitTransform(const QUuid& layerId, const QPointF& position, double width, double height)
{
    if (!isFinite(position) || !std::isfinite(width) || !std::isfinite(height))
        return;
    const double limit = CanvasFiles::maxLayerSide;
    commit(layerId, [&](Layer& layer) {
        layer.position = position;
        layer.width = std::clamp(width, -limit, limit);
        layer.height = std::clamp(height, -limit, limit);
    });
}

void CanvasStore::commitMove(const QUuid& layerId, const QPointF& position)
{
    if (!isFinite(position))
        return;
    commit(layerId, [&](Layer& layer) { layer.position = position; });
}

void CanvasStore::commitRotation(const QUuid& layerId, double rotation)
{
    if (!std::isfinite(rotation))
        return;
    commit(layerId, [&](Layer& layer) { layer.rotation = rotation; });
}

// ---- rendering

std::optional<QRectF> CanvasStore::contentBounds() const
{
    return CanvasRendering::contentBounds(m_layers);
}

std::optional<QImage> CanvasStore::renderImage(const QRectF& area) const
{
    return CanvasRendering::renderImage(m_layers, area, exportScale);
}

// ---- files

void CanvasStore::persistCanvas(QList<std::pair<QUuid, QByteArray>> writes, QList<QUuid> deletions, bool lastAttempt)
{
    if (!m_hasFolder)
        return;
    CanvasFiles::Write job;
    job.images = std::move(writes);
    job.deletions = std::move(deletions);
    job.lastAttempt = lastAttempt;
    job.record.nextLayerNumber = m_nextLayerNumber;
    job.record.layers.reserve(m_layers.size());
    for (const Layer& layer : std::as_const(m_layers))
        job.record.layers.append(LayerEntry::of(layer));
    m_ioQueue->submit([files = m_files, job = std::move(job)] { files.write(job); });
}

void CanvasStore::waitForPendingWrites()
{
    m_ioQueue->waitUntilIdle();
}

void CanvasStore::afterPendingWrites(std::function<void()> then)
{
    m_ioQueue->submit(std::move(then));
}
