#include "gallery_ui/GalleryGridView.h"

#include "gallery/GalleryStore.h"
#include "gallery_ui/GalleryCellPainter.h"
#include "gallery_ui/GalleryGridLayout.h"
#include "gallery_ui/GalleryListing.h"
#include "gallery_ui/GalleryThumbnails.h"
#include "gallery_ui/GalleryViewFields.h"
#include "gallery_ui/HoverTilt.h"
#include "gallery_ui/IdeaGalleryViewState.h"
#include "gallery_ui/MarqueeSelection.h"
#include "platform/Uuids.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

GalleryGridView::GalleryGridView(Parts parts, QWidget* parent)
    : QWidget(parent)
    , m_parts(parts)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QUuid GalleryGridView::idAt(qsizetype index) const
{
    return GalleryListing::idAt(m_parts.store, m_parts.fields.selectedSection, index);
}

QRectF GalleryGridView::cellFrameInCard(qsizetype index) const
{
    return m_parts.layout.cellFrame(index).translated(m_originInCard - QPointF(0, m_parts.fields.contentOffset));
}

std::pair<qsizetype, qsizetype> GalleryGridView::visibleItems() const
{
    const qreal top = m_parts.fields.contentOffset;
    return m_parts.layout.itemsBetween(top, top + height());
}

std::optional<qsizetype> GalleryGridView::itemAt(QPointF local) const
{
    return m_parts.layout.itemAt(local + QPointF(0, m_parts.fields.contentOffset));
}

void GalleryGridView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const ThemePalette& palette = m_parts.theme.palette();
    painter.fillRect(rect(), palette.paper);
    const GalleryViewFields& fields = m_parts.fields;
    const auto [first, last] = visibleItems();
    painter.translate(0, -fields.contentOffset);
    for (qsizetype index = first; index < last; ++index) {
        const QUuid id = idAt(index);
        GalleryCellPainter::Cell cell;
        cell.frame = m_parts.layout.cellFrame(index);
        cell.thumbnail = m_parts.thumbnails.pixmap(id);
        cell.imageSize = m_parts.thumbnails.imageSize(id).value_or(QSizeF());
        cell.tilt = m_parts.hoverTilt.progress(id);
        cell.selectMode = fields.isSelectMode;
        cell.selected = fields.isSelectMode && fields.selectedItemIDs.contains(id);
        GalleryCellPainter::paint(painter, cell, palette);
    }
    painter.resetTransform();
    paintMarquee(painter);
}

void GalleryGridView::paintMarquee(QPainter& painter) const
{
    const GalleryViewFields& fields = m_parts.fields;
    if (!fields.marqueeStart || !fields.marqueeCurrent)
        return;
    const QRectF area
        = MarqueeSelection::rect(*fields.marqueeStart, *fields.marqueeCurrent).translated(-m_originInCard);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(area, QColor(0, 0, 0, 20)); // black at 8 %
    QPen dashed(QColor(170, 170, 170), 1.5);
    // Dashes of 6 on, 4 off, in units of the pen's width.
    dashed.setDashPattern({ 6 / 1.5, 4 / 1.5 });
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.restore();
}

void GalleryGridView::mousePressEvent(QMouseEvent* event)
{
    const QPointF local = event->position();
    if (event->button() == Qt::RightButton) {
        if (const std::optional<qsizetype> index = itemAt(local)) {
            m_parts.fields.contextMenuItemId = idAt(*index);
            emit fieldsChanged();
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressPosition = local;
    m_pressedItem = itemAt(local);
    m_marqueeRunning = false;
}

void GalleryGridView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF local = event->position();
    if (!(event->buttons() & Qt::LeftButton) || !m_pressPosition) {
        updateHover(local);
        return;
    }
    GalleryViewFields& fields = m_parts.fields;
    if (fields.isSelectMode) {
        if (!m_marqueeRunning && !MarqueeSelection::isMarquee(*m_pressPosition, local))
            return;
        m_marqueeRunning = true;
        if (!fields.marqueeStart)
            fields.marqueeStart = toCard(*m_pressPosition);
        fields.marqueeCurrent = toCard(local);
        update();
        return;
    }
    if (m_pressedItem && QLineF(*m_pressPosition, local).length() >= QApplication::startDragDistance()) {
        const qsizetype index = *std::exchange(m_pressedItem, std::nullopt);
        m_pressPosition.reset();
        startDragOut(index);
    }
}

void GalleryGridView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressPosition)
        return;
    const QPointF local = event->position();
    GalleryViewFields& fields = m_parts.fields;
    if (m_marqueeRunning) {
        finishMarquee(local);
    } else if (fields.isSelectMode && m_pressedItem && itemAt(local) == m_pressedItem) {
        fields.toggleSelected(idAt(*m_pressedItem));
        emit fieldsChanged();
        update();
    }
    m_pressPosition.reset();
    m_pressedItem.reset();
    m_marqueeRunning = false;
}

void GalleryGridView::finishMarquee(QPointF local)
{
    GalleryViewFields& fields = m_parts.fields;
    if (fields.isSelectMode && fields.marqueeStart) {
        // Only cells that can be seen: the band is limited to the grid area.
        const QRectF band = MarqueeSelection::rect(*fields.marqueeStart, toCard(local));
        const QRectF visibleBand = band.intersected(QRectF(m_originInCard, QSizeF(size())));
        if (visibleBand.isValid()) {
            const QRectF inContent = visibleBand.translated(-m_originInCard + QPointF(0, fields.contentOffset));
            QList<QUuid> hit;
            for (const qsizetype index : m_parts.layout.itemsIntersecting(inContent))
                hit.append(idAt(index));
            fields.addToSelection(hit);
        }
    }
    fields.marqueeStart.reset();
    fields.marqueeCurrent.reset();
    emit fieldsChanged();
    update();
}

void GalleryGridView::startDragOut(qsizetype index)
{
    const QUuid id = idAt(index);
    const GallerySection section = m_parts.fields.selectedSection;
    auto* mime = new QMimeData;
    // The mood board reads the id and the section from the plain text.
    mime->setText(Uuids::canonicalText(id) + QLatin1Char(':') + sectionName(section));
    // Image editors, upload fields and file managers take the picture itself.
    if (const std::optional<QByteArray> bytes = m_parts.store.imageDataFor(id))
        mime->setData(QStringLiteral("image/png"), *bytes);
    const QString file
        = (section == GallerySection::cutouts ? m_parts.store.cutoutsFolder() : m_parts.store.collagesFolder())
        + QLatin1Char('/') + Uuids::canonicalText(id) + QStringLiteral(".png");
    if (QFileInfo::exists(file))
        mime->setUrls({ QUrl::fromLocalFile(file) });

    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QPixmap thumbnail = m_parts.thumbnails.pixmap(id);
    if (!thumbnail.isNull()) {
        drag->setPixmap(thumbnail);
        drag->setHotSpot(QPoint(thumbnail.width(), thumbnail.height()) / (2 * thumbnail.devicePixelRatio()));
    }
    drag->exec(Qt::CopyAction);
}

void GalleryGridView::updateHover(QPointF local)
{
    std::optional<QUuid> hovered;
    if (rect().contains(local.toPoint())) {
        if (const std::optional<qsizetype> index = itemAt(local))
            hovered = idAt(*index);
    }
    m_parts.hoverTilt.setHovered(hovered, !m_parts.viewState.inLiveResize());
}

void GalleryGridView::leaveEvent(QEvent* event)
{
    m_parts.hoverTilt.setHovered(std::nullopt, !m_parts.viewState.inLiveResize());
    QWidget::leaveEvent(event);
}
