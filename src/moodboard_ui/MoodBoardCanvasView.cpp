#include "moodboard_ui/MoodBoardCanvasView.h"

#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "gallery/ThumbnailDecoder.h"
#include "moodboard_ui/MoodBoardViewState.h"
#include "platform/Log.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

using CanvasScrollbars::Axis;

namespace {
constexpr int zoomSettleMs = 150;
// What one frame spends at most on remaking copies after a zoom: a board full
// of layers needs several times that, which in one frame would stall it.
constexpr qint64 remakeBudgetNs = 5'000'000;
} // namespace

MoodBoardCanvasView::MoodBoardCanvasView(const Theme& theme, MoodBoardViewState& viewState, CanvasStore& canvasStore,
    GalleryStore& galleryStore, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_viewState(viewState)
    , m_store(canvasStore)
    , m_galleryStore(galleryStore)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    m_lastScale = viewState.canvasScale();
    m_zoomSettled.setSingleShot(true);
    m_zoomSettled.setInterval(zoomSettleMs);
    connect(&m_zoomSettled, &QTimer::timeout, this, [this] {
        m_zooming = false;
        update();
    });
    connect(&canvasStore, &CanvasStore::layersChanged, this, &MoodBoardCanvasView::syncLayers);
    connect(&canvasStore, &CanvasStore::selectedLayerIdChanged, this, &MoodBoardCanvasView::syncSelection);
    connect(
        &canvasStore.dragPublisher(), &DragStatePublisher::stateChanged, this, &MoodBoardCanvasView::dragStateChanged);
    connect(&viewState, &MoodBoardViewState::viewportChanged, this, &MoodBoardCanvasView::viewportChanged);
    syncLayers();
    publishPlacementHints();
}

MoodBoardCanvasView::~MoodBoardCanvasView()
{
    // Decodes deliver to this widget; none may outlive it.
    m_decodePool.clear();
    m_decodePool.waitForDone();
}

void MoodBoardCanvasView::setCardSize(QSizeF card)
{
    if (card.width() <= 0 || card.height() <= 0)
        return;
    m_card = card;
    const CanvasViewport now = viewport();
    // The card sits one point inside the board's view.
    setGeometry(now.frameInCard().translated(1, 1).toAlignedRect());
    m_backdrop.reset();
    publishPlacementHints();
    update();
}

CanvasViewport MoodBoardCanvasView::viewport() const
{
    CanvasViewport viewport;
    viewport.cardWidth = m_card.width();
    viewport.cardHeight = m_card.height();
    viewport.offsetX = m_tempOffsetX.value_or(m_viewState.canvasOffsetX());
    viewport.offsetY = m_tempOffsetY.value_or(m_viewState.canvasOffsetY());
    viewport.scale = m_viewState.canvasScale();
    return viewport;
}

void MoodBoardCanvasView::syncLayers()
{
    QHash<QUuid, LayerItemView*> existing;
    for (const auto& view : m_layers)
        existing.insert(view->layer().id, view.get());
    std::vector<std::unique_ptr<LayerItemView>> next;
    next.reserve(m_store.layers().size());
    for (const Layer& layer : m_store.layers()) {
        if (LayerItemView* view = existing.take(layer.id)) {
            auto owned
                = std::find_if(m_layers.begin(), m_layers.end(), [view](const auto& p) { return p.get() == view; });
            view->setLayer(layer);
            next.push_back(std::move(*owned));
        } else {
            next.push_back(std::make_unique<LayerItemView>(layer));
        }
    }
    if (m_gesture.layer && existing.contains(m_gesture.layer->layer().id)) {
        // The layer went away under the pointer (Delete, or undo, mid-drag).
        const std::optional<LayerDragState>& state = m_store.dragPublisher().state();
        if (state && state->layerId == m_gesture.layer->layer().id)
            m_store.dragPublisher().setState(std::nullopt);
        m_gesture = {};
    }
    m_layers = std::move(next);
    m_backdrop.reset();
    syncSelection();
    requestDecodes();
    update();
}

void MoodBoardCanvasView::syncSelection()
{
    const std::optional<QUuid>& selected = m_store.selectedLayerId();
    const auto found = selected ? std::find_if(m_layers.begin(), m_layers.end(),
                           [&](const auto& view) { return view->layer().id == *selected; })
                                : m_layers.end();
    if (found == m_layers.end()) {
        if (m_gesture.kind == GestureKind::grip)
            m_gesture = {};
        m_overlay.reset();
    } else {
        if (!m_overlay || m_overlay->layer().id != *selected) {
            if (m_gesture.kind == GestureKind::grip)
                m_gesture = {};
            m_overlay = std::make_unique<CanvasSelectionOverlay>(m_store, m_theme);
        }
        m_overlay->setLayer((*found)->layer());
    }
    update();
}

void MoodBoardCanvasView::requestDecodes()
{
    const qreal ratio = devicePixelRatioF();
    for (const auto& view : m_layers) {
        const std::optional<int> size = view->decodeNeeded(ratio);
        if (!size)
            continue;
        view->setDecodePending(true);
        ++m_pendingDecodes;
        const QUuid id = view->layer().id;
        const QByteArray bytes = view->layer().imageData;
        const int requested = *size;
        m_decodePool.start([this, id, bytes, requested] {
            const QImage image = ThumbnailDecoder::thumbnail(bytes, requested).value_or(QImage());
            QMetaObject::invokeMethod(
                this,
                [this, id, bytes, image, requested] {
                    --m_pendingDecodes;
                    for (const auto& view : m_layers) {
                        if (view->layer().id != id)
                            continue;
                        if (view->layer().imageData == bytes) {
                            view->setDecodedImage(image, requested);
                            update(LayerItemView::viewBounds(viewport(), view->liveBox(m_store.dragPublisher()))
                                       .toAlignedRect());
                        } else {
                            view->setDecodePending(false);
                            requestDecodes();
                        }
                    }
                    if (m_pendingDecodes == 0)
                        QMetaObject::invokeMethod(this, &MoodBoardCanvasView::layersDecoded, Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
        });
    }
}

CanvasViewport MoodBoardCanvasView::committedViewport() const
{
    CanvasViewport committed = viewport();
    committed.offsetX = m_viewState.canvasOffsetX();
    committed.offsetY = m_viewState.canvasOffsetY();
    return committed;
}

void MoodBoardCanvasView::publishPlacementHints()
{
    const CanvasViewport committed = committedViewport();
    m_store.setContentArea(committed.contentSize());
    m_store.setDropOrigin(committed.dropOrigin());
}

void MoodBoardCanvasView::viewportChanged()
{
    if (m_viewState.canvasScale() != m_lastScale) {
        m_lastScale = m_viewState.canvasScale();
        m_zooming = true;
        m_zoomSettled.start();
    }
    m_backdrop.reset();
    publishPlacementHints();
    update();
}

LayerItemView* MoodBoardCanvasView::draggedLayer() const
{
    const std::optional<LayerDragState>& state = m_store.dragPublisher().state();
    for (const auto& view : m_layers) {
        if (view->isMoving() || (state && state->layerId == view->layer().id))
            return view.get();
    }
    return nullptr;
}

QRectF MoodBoardCanvasView::gestureArea() const
{
    const CanvasViewport now = viewport();
    QRectF area;
    if (const LayerItemView* dragged = draggedLayer())
        area = LayerItemView::viewBounds(now, dragged->liveBox(m_store.dragPublisher()));
    if (m_overlay)
        area = area.united(CanvasSelectionOverlay::viewBounds(now, m_overlay->liveBox()));
    return area;
}

void MoodBoardCanvasView::dragStateChanged()
{
    const LayerItemView* dragged = draggedLayer();
    if (!dragged) {
        m_backdrop.reset();
        m_lastGestureArea = {};
        update();
        return;
    }
    if (!m_backdrop || m_backdrop->layerId != dragged->layer().id)
        beginBackdrop(*dragged);
    const QRectF area = gestureArea();
    update(area.united(m_lastGestureArea).toAlignedRect());
    m_lastGestureArea = area;
}

void MoodBoardCanvasView::beginBackdrop(const LayerItemView& dragged)
{
    const qreal ratio = devicePixelRatioF();
    const CanvasViewport now = viewport();
    const auto index = std::find_if(m_layers.begin(), m_layers.end(), [&](const auto& view) {
        return view.get() == &dragged;
    }) - m_layers.begin();
    const auto picture = [&](qsizetype from, qsizetype to, bool opaque) {
        QPixmap pixmap(size() * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(opaque ? m_theme.palette().paper : Qt::transparent);
        QPainter painter(&pixmap);
        paintLayers(painter, now, from, to, true);
        return pixmap;
    };
    m_backdrop = DragBackdrop { dragged.layer().id, picture(0, index, true),
        picture(index + 1, qsizetype(m_layers.size()), false) };
    // The layer has already left its resting place, which must be repainted too.
    m_lastGestureArea = LayerItemView::viewBounds(now, LayerGeometry::boxOf(dragged.layer()));
    if (m_overlay) {
        m_lastGestureArea = m_lastGestureArea.united(
            CanvasSelectionOverlay::viewBounds(now, LayerGeometry::boxOf(m_overlay->layer())));
    }
}

void MoodBoardCanvasView::paintLayers(
    QPainter& painter, const CanvasViewport& viewport, qsizetype from, qsizetype to, bool rescale, QRegion* postponed)
{
    QElapsedTimer spent;
    spent.start();
    const qreal ratio = devicePixelRatioF();
    const QRectF clip = painter.hasClipping() ? painter.clipBoundingRect() : QRectF(rect());
    const DragStatePublisher& publisher = m_store.dragPublisher();
    // On a full board most of each layer lies under others. Going from the
    // top down, each layer is left only what the opaque upright layers above
    // it do not cover, and one covered entirely is not drawn at all.
    struct Shown {
        LayerItemView* view;
        LayerBox box;
        QRegion area; // empty: no clipping needed
    };
    std::vector<Shown> shown;
    QRegion covered;
    for (qsizetype i = to - 1; i >= from; --i) {
        LayerItemView& view = *m_layers[size_t(i)];
        const LayerBox box = view.liveBox(publisher);
        const QRectF bounds = LayerItemView::viewBounds(viewport, box);
        if (!bounds.intersects(clip))
            continue;
        QRegion area;
        if (!covered.isEmpty()) {
            area = QRegion(bounds.toAlignedRect()).subtracted(covered);
            if (area.isEmpty())
                continue;
        }
        shown.push_back({ &view, box, area });
        covered += view.opaqueArea(viewport, box);
    }
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        bool remake = rescale;
        if (postponed && remake && spent.nsecsElapsed() >= remakeBudgetNs
            && it->view->copyIsStale(viewport.scale, ratio)) {
            remake = false;
            *postponed += LayerItemView::viewBounds(viewport, it->box).toAlignedRect();
        }
        if (it->area.isEmpty()) {
            it->view->paint(painter, viewport, it->box, ratio, remake);
            continue;
        }
        painter.save();
        painter.setClipRegion(it->area, Qt::IntersectClip);
        it->view->paint(painter, viewport, it->box, ratio, remake);
        painter.restore();
    }
}

void MoodBoardCanvasView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const CanvasViewport now = viewport();
    const QRectF inside = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setClipRegion(event->region().intersected(inside.toAlignedRect()));
    const LayerItemView* dragged = m_backdrop ? draggedLayer() : nullptr;
    if (dragged && dragged->layer().id == m_backdrop->layerId) {
        painter.drawPixmap(0, 0, m_backdrop->below);
        const auto index = std::find_if(m_layers.begin(), m_layers.end(), [&](const auto& view) {
            return view.get() == dragged;
        }) - m_layers.begin();
        paintLayers(painter, now, index, index + 1, true);
        painter.drawPixmap(0, 0, m_backdrop->above);
    } else {
        painter.fillRect(rect(), m_theme.palette().paper);
        QRegion postponed;
        paintLayers(painter, now, 0, qsizetype(m_layers.size()), !m_zooming, &postponed);
        if (!postponed.isEmpty())
            QMetaObject::invokeMethod(
                this, [this, postponed] { update(postponed); }, Qt::QueuedConnection);
    }
    if (m_overlay)
        m_overlay->paint(painter, now);
    painter.setClipping(false);
    painter.setClipRegion(event->region());
    paintScrollbars(painter, now);
    painter.setPen(QPen(m_theme.palette().ink, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void MoodBoardCanvasView::paintScrollbars(QPainter& painter, const CanvasViewport& viewport) const
{
    const ThemePalette& palette = m_theme.palette();
    const QSizeF frame = viewport.frameSize();
    for (const Axis axis : { Axis::vertical, Axis::horizontal }) {
        const CanvasScrollbars::Bar bar = CanvasScrollbars::bar(axis, frame);
        const bool vertical = axis == Axis::vertical;
        painter.fillRect(bar.bar, palette.paper);
        painter.save();
        painter.setClipRect(bar.track, Qt::IntersectClip);
        m_theme.drawImage(painter,
            QRectF(bar.track.topLeft(),
                QSizeF(m_theme
                           .image(vertical ? QStringLiteral("moodboard-scrollbar-track-tile-vertical")
                                           : QStringLiteral("moodboard-scrollbar-track-tile"))
                           .size())),
            vertical ? QStringLiteral("moodboard-scrollbar-track-tile-vertical")
                     : QStringLiteral("moodboard-scrollbar-track-tile"));
        painter.restore();
        m_theme.drawImage(painter, bar.addButton,
            vertical ? QStringLiteral("icon-moodboard-scroll-up") : QStringLiteral("icon-moodboard-scroll-left"));
        m_theme.drawImage(painter, bar.subtractButton,
            vertical ? QStringLiteral("icon-moodboard-scroll-down") : QStringLiteral("icon-moodboard-scroll-right"));
        if (!vertical) {
            painter.setPen(palette.ink);
            painter.setFont(m_theme.font(FontRole::geneva, 11));
            painter.drawText(bar.zoomBox, Qt::AlignCenter, zoomLabel(viewport.scale));
        }
        const double offset = vertical ? viewport.offsetY : viewport.offsetX;
        const QRectF thumb = CanvasScrollbars::thumbRect(
            axis, frame, CanvasScrollbars::thumbFraction(offset, CanvasScrollbars::range(axis, viewport)));
        painter.fillRect(thumb, palette.ink);
        painter.fillRect(thumb.adjusted(2, 2, -2, -2), palette.paper);
        // The edge line along the bar's side that faces the canvas.
        painter.fillRect(vertical ? QRectF(bar.bar.left(), bar.bar.top(), 1, bar.bar.height())
                                  : QRectF(bar.bar.left(), bar.bar.top(), bar.bar.width(), 1),
            palette.ink);
    }
    painter.fillRect(CanvasScrollbars::cornerSquare(frame), palette.paper);
}

LayerItemView* MoodBoardCanvasView::layerAt(QPointF point) const
{
    const CanvasViewport now = viewport();
    const QPointF world = now.worldFromView(point);
    for (auto it = m_layers.rbegin(); it != m_layers.rend(); ++it) {
        if (LayerItemView::contains((*it)->liveBox(m_store.dragPublisher()), world))
            return it->get();
    }
    return nullptr;
}

bool MoodBoardCanvasView::pressScrollbar(QPointF point)
{
    const CanvasViewport now = viewport();
    for (const Axis axis : { Axis::vertical, Axis::horizontal }) {
        const CanvasScrollbars::Bar bar = CanvasScrollbars::bar(axis, now.frameSize());
        if (!bar.bar.contains(point))
            continue;
        const double offset = axis == Axis::vertical ? now.offsetY : now.offsetX;
        const QRectF thumb = CanvasScrollbars::thumbRect(
            axis, now.frameSize(), CanvasScrollbars::thumbFraction(offset, CanvasScrollbars::range(axis, now)));
        m_gesture.axis = axis;
        if (bar.addButton.contains(point) || bar.subtractButton.contains(point)) {
            m_gesture.kind = GestureKind::arrow;
            m_gesture.arrowDelta
                = bar.addButton.contains(point) ? CanvasScrollbars::arrowStep : -CanvasScrollbars::arrowStep;
        } else if (thumb.contains(point)) {
            m_gesture.kind = GestureKind::thumb;
            m_gesture.thumbStartCentre = axis == Axis::vertical ? thumb.center().y() : thumb.center().x();
        }
        return true;
    }
    return false;
}

void MoodBoardCanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_gesture.kind != GestureKind::none)
        return;
    const QPointF point = event->position();
    m_gesture = {};
    m_gesture.start = point;
    if (pressScrollbar(point))
        return;
    if (m_overlay) {
        if (const auto grip = m_overlay->gripAt(viewport(), point)) {
            m_gesture.kind = GestureKind::grip;
            m_gesture.grip = *grip;
            return;
        }
    }
    if (LayerItemView* layer = layerAt(point)) {
        m_gesture.kind = GestureKind::layer;
        m_gesture.layer = layer;
    } else if (viewport().contentRect().contains(point)) {
        m_gesture.kind = GestureKind::background;
    }
}

void MoodBoardCanvasView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF point = event->position();
    const QPointF translation = point - m_gesture.start;
    const double scale = m_viewState.canvasScale();
    switch (m_gesture.kind) {
    case GestureKind::layer:
        if (!m_gesture.moved && std::hypot(translation.x(), translation.y()) < LayerGeometry::moveThreshold)
            return;
        m_gesture.moved = true;
        m_gesture.layer->moveChanged(translation, scale, m_store.dragPublisher());
        break;
    case GestureKind::grip:
        m_gesture.moved = true;
        if (const auto* handle = std::get_if<HandleKind>(&m_gesture.grip))
            m_overlay->resizeChanged(*handle, translation, scale);
        else {
            // The turn counts from where the handle was pressed, so the way
            // to the first reported move is not lost.
            if (!m_overlay->isDragging())
                m_overlay->rotationChanged(viewport(), m_gesture.start);
            m_overlay->rotationChanged(viewport(), point);
        }
        break;
    case GestureKind::thumb: {
        const bool vertical = m_gesture.axis == Axis::vertical;
        const CanvasViewport now = viewport();
        const double offset
            = CanvasScrollbars::draggedOffset(m_gesture.axis, now.frameSize(), m_gesture.thumbStartCentre,
                vertical ? translation.y() : translation.x(), CanvasScrollbars::range(m_gesture.axis, now));
        (vertical ? m_tempOffsetY : m_tempOffsetX) = offset;
        m_backdrop.reset();
        update();
        break;
    }
    case GestureKind::background:
        m_gesture.moved
            = m_gesture.moved || std::hypot(translation.x(), translation.y()) >= QApplication::startDragDistance();
        break;
    default:
        break;
    }
}

void MoodBoardCanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        endGesture(event->position());
}

void MoodBoardCanvasView::endGesture(QPointF point)
{
    const Gesture gesture = std::exchange(m_gesture, {});
    const QPointF translation = point - gesture.start;
    switch (gesture.kind) {
    case GestureKind::layer:
        if (gesture.moved) {
            gesture.layer->moveEnded(m_store, m_store.dragPublisher());
        } else {
            Log::line(QStringLiteral("[TapGesture] selected ") + gesture.layer->layer().name);
            m_store.setSelectedLayerId(gesture.layer->layer().id);
        }
        break;
    case GestureKind::grip:
        if (!m_overlay)
            break;
        if (const auto* handle = std::get_if<HandleKind>(&gesture.grip))
            m_overlay->resizeEnded(*handle, translation, m_viewState.canvasScale());
        else
            m_overlay->rotationEnded();
        break;
    case GestureKind::background:
        if (!gesture.moved) {
            Log::line(QStringLiteral("[BgTap] deselect"));
            m_store.setSelectedLayerId(std::nullopt);
            m_store.setShowLayerPanel(false);
        }
        break;
    case GestureKind::thumb: {
        const double x = m_tempOffsetX.value_or(m_viewState.canvasOffsetX());
        const double y = m_tempOffsetY.value_or(m_viewState.canvasOffsetY());
        m_tempOffsetX.reset();
        m_tempOffsetY.reset();
        m_viewState.setCanvasOffset(x, y);
        update();
        break;
    }
    case GestureKind::arrow: {
        const CanvasScrollbars::Bar bar = CanvasScrollbars::bar(gesture.axis, viewport().frameSize());
        const QRectF button = gesture.arrowDelta > 0 ? bar.addButton : bar.subtractButton;
        if (!button.contains(point))
            break;
        const CanvasViewport now = viewport();
        const double range = CanvasScrollbars::range(gesture.axis, now);
        if (gesture.axis == Axis::vertical)
            m_viewState.setCanvasOffset(
                now.offsetX, CanvasScrollbars::steppedOffset(now.offsetY, gesture.arrowDelta, range));
        else
            m_viewState.setCanvasOffset(
                CanvasScrollbars::steppedOffset(now.offsetX, gesture.arrowDelta, range), now.offsetY);
        break;
    }
    case GestureKind::none:
        break;
    }
}

void MoodBoardCanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasText() || ImportRequest::mayHoldPictures(*event->mimeData()))
        event->acceptProposedAction();
}

void MoodBoardCanvasView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasText() || ImportRequest::mayHoldPictures(*event->mimeData()))
        event->acceptProposedAction();
}

void MoodBoardCanvasView::dropEvent(QDropEvent* event)
{
    const QMimeData& data = *event->mimeData();
    const CanvasViewport committed = committedViewport();
    const QPointF point = event->position();
    const QRectF content = committed.contentRect();
    const bool onContent = point.x() >= content.left() && point.x() <= content.right() && point.y() >= content.top()
        && point.y() <= content.bottom();
    // An item of the gallery comes first, as it always has.
    if (data.hasText()) {
        event->acceptProposedAction();
        if (const std::optional<GalleryDrop> drop = parseGalleryDrop(data.text())) {
            if (onContent)
                addGalleryItem(*drop, committed.worldFromView(point));
            return;
        }
    }
    if (!onContent)
        return;
    ImportRequest request = ImportRequest::fromMimeData(data, QStringLiteral("dropped image"));
    if (request.isEmpty())
        return;
    event->acceptProposedAction();
    Q_EMIT picturesDropped(request, committed.worldFromView(point));
}

void MoodBoardCanvasView::addGalleryItem(const GalleryDrop& drop, QPointF world)
{
    const std::optional<QByteArray> imageData = m_galleryStore.imageDataFor(drop.itemId);
    if (!imageData)
        return;
    m_store.setContentArea(committedViewport().contentSize());
    m_store.pushUndoSnapshot();
    (void)m_store.addLayer(drop.itemId, *imageData, world, false);
}
