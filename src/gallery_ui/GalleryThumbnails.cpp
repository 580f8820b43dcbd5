#include "gallery_ui/GalleryThumbnails.h"

#include "gallery/GalleryStore.h"
#include "gallery_ui/GalleryGridLayout.h"

#include <QPointer>

#include <cmath>

GalleryThumbnails::GalleryThumbnails(GalleryStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
}

void GalleryThumbnails::request(const QUuid& id, qreal devicePixelRatio)
{
    if (m_pixmaps.contains(id) || m_pending.contains(id))
        return;
    m_pending.insert(id);
    const QPointer<GalleryThumbnails> self(this);
    m_store.loadThumbnail(id, [self, id, devicePixelRatio](std::optional<QImage> image) {
        if (!self)
            return;
        self->m_pending.remove(id);
        // A failure is not remembered: the cell asks again when it reappears.
        if (image && !image->isNull())
            self->accept(id, *image, devicePixelRatio);
    });
}

std::optional<QSizeF> GalleryThumbnails::imageSize(const QUuid& id) const
{
    const auto found = m_sizes.constFind(id);
    if (found == m_sizes.cend())
        return std::nullopt;
    return *found;
}

void GalleryThumbnails::keepOnly(const QSet<QUuid>& kept)
{
    m_pixmaps.removeIf([&kept](const auto& entry) { return !kept.contains(entry.key()); });
}

void GalleryThumbnails::accept(const QUuid& id, const QImage& image, qreal devicePixelRatio)
{
    const QSizeF size = image.size();
    const QSizeF shown = GalleryGridLayout::cellSize(size);
    // Exactly the cell's pixels, so painting a cell at rest is a plain copy.
    const QSize pixels(std::max(1, int(std::lround(shown.width() * devicePixelRatio))),
        std::max(1, int(std::lround(shown.height() * devicePixelRatio))));
    QPixmap pixmap = QPixmap::fromImage(image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    m_pixmaps.insert(id, pixmap);
    const auto previous = m_sizes.constFind(id);
    const bool sizeChanged = previous == m_sizes.cend() || *previous != size;
    m_sizes.insert(id, size);
    emit thumbnailArrived(id, sizeChanged);
}
