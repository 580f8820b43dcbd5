#include "moodboard_ui/LayerItemView.h"

#include "canvas/CanvasStore.h"
#include "canvas/DragStatePublisher.h"
#include "moodboard_ui/CanvasViewport.h"
#include "moodboard_ui/MoodBoardWindowGeometry.h"

#include <QPainter>
#include <QPolygonF>
#include <QtMath>

#include <cmath>

LayerItemView::LayerItemView(const Layer& layer)
    : m_layer(layer)
{
}

void LayerItemView::setLayer(const Layer& layer)
{
    if (layer.imageData != m_layer.imageData) {
        m_cachedImage = QImage();
        m_decodedFor = 0;
        m_decodeFailed = false;
        m_scaled = QPixmap();
        m_scaledSize = QSize();
    }
    m_layer = layer;
}

std::optional<int> LayerItemView::decodeNeeded(qreal devicePixelRatio) const
{
    if (m_decodeFailed || m_decodePending)
        return std::nullopt;
    const int needed = std::max(1,
        int(std::ceil(
            std::max(m_layer.width, m_layer.height) * MoodBoardWindowGeometry::maximumScale * devicePixelRatio)));
    if (m_decodedFor == 0)
        return needed;
    // A decode that came back smaller than asked is the whole image already.
    const bool wholeImage = std::max(m_cachedImage.width(), m_cachedImage.height()) < m_decodedFor;
    // Enlarged well past what was decoded: decode again, with room to grow.
    if (!wholeImage && needed > m_decodedFor * 5 / 4)
        return needed * 3 / 2;
    return std::nullopt;
}

void LayerItemView::setDecodedImage(const QImage& image, int requested)
{
    m_decodePending = false;
    m_decodeFailed = image.isNull();
    m_cachedImage = image;
    m_decodedFor = requested;
    m_scaled = QPixmap();
    m_scaledSize = QSize();
}

LayerBox LayerItemView::liveBox(const DragStatePublisher& publisher) const
{
    LayerBox box = LayerGeometry::liveBox(m_layer, publisher.state());
    if (m_moving)
        box.centre = m_layer.position + QPointF(m_dragOffset.width(), m_dragOffset.height());
    return box;
}

QRectF LayerItemView::viewBounds(const CanvasViewport& viewport, const LayerBox& box)
{
    QPolygonF outline;
    for (const QPointF& corner : LayerGeometry::corners(box))
        outline << viewport.viewFromWorld(corner);
    // Smooth edges of a turned image reach into the next pixel.
    return outline.boundingRect().adjusted(-1, -1, 1, 1);
}

bool LayerItemView::contains(const LayerBox& box, QPointF world)
{
    const double radians = qDegreesToRadians(box.rotation);
    const QPointF d = world - box.centre;
    const double lx = std::cos(radians) * d.x() + std::sin(radians) * d.y();
    const double ly = std::cos(radians) * d.y() - std::sin(radians) * d.x();
    return std::abs(lx) <= box.width / 2 && std::abs(ly) <= box.height / 2;
}

QSize LayerItemView::copySize(double scale, qreal devicePixelRatio) const
{
    return { std::max(1, qRound(m_layer.width * scale * devicePixelRatio)),
        std::max(1, qRound(m_layer.height * scale * devicePixelRatio)) };
}

bool LayerItemView::copyIsStale(double scale, qreal devicePixelRatio) const
{
    const bool flipsDiffer = m_scaledFlipH != m_layer.flipHorizontal || m_scaledFlipV != m_layer.flipVertical;
    return !m_scaled.isNull() && !flipsDiffer && m_scaledSize != copySize(scale, devicePixelRatio);
}

QRect LayerItemView::opaqueArea(const CanvasViewport& viewport, const LayerBox& box) const
{
    // A copy made from a picture without transparency is made opaque.
    if (m_scaled.isNull() || m_scaled.hasAlphaChannel() || box.rotation != 0)
        return {};
    const QPointF centre = viewport.viewFromWorld(box.centre);
    const double halfWidth = box.width * viewport.scale / 2;
    const double halfHeight = box.height * viewport.scale / 2;
    // Edge pixels are only partly covered.
    const QPoint topLeft(int(std::ceil(centre.x() - halfWidth)), int(std::ceil(centre.y() - halfHeight)));
    const QPoint pastBottomRight(int(std::floor(centre.x() + halfWidth)), int(std::floor(centre.y() + halfHeight)));
    return QRect(topLeft, pastBottomRight - QPoint(1, 1));
}

void LayerItemView::paint(
    QPainter& painter, const CanvasViewport& viewport, const LayerBox& box, qreal devicePixelRatio, bool rescale)
{
    if (m_cachedImage.isNull() || box.width <= 0 || box.height <= 0)
        return;
    const double scale = viewport.scale;
    const QSizeF onScreen(box.width * scale, box.height * scale);
    // While a handle stretches the layer the copy is drawn stretched, and
    // remade once the new size is committed.
    const QSize wanted = copySize(scale, devicePixelRatio);
    const bool flipsDiffer = m_scaledFlipH != m_layer.flipHorizontal || m_scaledFlipV != m_layer.flipVertical;
    if (m_scaled.isNull() || flipsDiffer || (rescale && m_scaledSize != wanted)) {
        QImage scaled = m_cachedImage.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (m_layer.flipHorizontal || m_layer.flipVertical)
            scaled = scaled.mirrored(m_layer.flipHorizontal, m_layer.flipVertical);
        m_scaled = QPixmap::fromImage(std::move(scaled));
        m_scaledSize = wanted;
        m_scaledFlipH = m_layer.flipHorizontal;
        m_scaledFlipV = m_layer.flipVertical;
    }
    painter.save();
    painter.translate(viewport.viewFromWorld(box.centre));
    const bool exact
        = box.rotation == 0 && m_scaledSize == wanted && box.width == m_layer.width && box.height == m_layer.height;
    if (box.rotation != 0)
        painter.rotate(box.rotation);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !exact);
    // Smooth edges for a turned layer; a straight one falls on whole pixels anyway.
    painter.setRenderHint(QPainter::Antialiasing, box.rotation != 0);
    painter.drawPixmap(QRectF(-onScreen.width() / 2, -onScreen.height() / 2, onScreen.width(), onScreen.height()),
        m_scaled, QRectF(QPointF(0, 0), QSizeF(m_scaled.size())));
    painter.restore();
}

void LayerItemView::moveChanged(QPointF translation, double scale, DragStatePublisher& publisher)
{
    const double divisor = std::max(scale, 0.01);
    m_dragOffset = QSizeF(translation.x() / divisor, translation.y() / divisor);
    m_moving = true;
    publisher.setState(LayerGeometry::dragStateOf(m_layer.id, liveBox(publisher)));
}

void LayerItemView::moveEnded(CanvasStore& store, DragStatePublisher& publisher)
{
    const QPointF position = liveBox(publisher).centre;
    m_dragOffset = QSizeF();
    m_moving = false;
    store.commitMove(m_layer.id, position);
    if (!publisher.state() || publisher.state()->layerId == m_layer.id)
        publisher.setState(std::nullopt);
}
