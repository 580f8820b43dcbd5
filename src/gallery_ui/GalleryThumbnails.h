#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSizeF>
#include <QUuid>

#include <optional>

class GalleryStore;

// The grid's pictures. Thumbnails come only from the store's loadThumbnail
// (cache hits at once, misses decoded off the main thread) and only for cells
// in view. Each arrives once per appearance of its cell and is kept as a
// pixmap already scaled to its cell, so painting never scales; pixmaps of
// cells far out of view are dropped, so memory follows what is on screen, not
// the size of the gallery. Only the images' sizes are remembered for every
// item, because they decide the grid's row heights.
class GalleryThumbnails : public QObject {
    Q_OBJECT

public:
    explicit GalleryThumbnails(GalleryStore& store, QObject* parent = nullptr);

    // Asks the store for the thumbnail unless it is here or on its way.
    void request(const QUuid& id, qreal devicePixelRatio);
    // Null while not loaded.
    [[nodiscard]] QPixmap pixmap(const QUuid& id) const { return m_pixmaps.value(id); }
    [[nodiscard]] std::optional<QSizeF> imageSize(const QUuid& id) const;
    // Drops the pixmaps of every item not in `kept`; they are asked for again
    // when their cells come back into view.
    void keepOnly(const QSet<QUuid>& kept);
    [[nodiscard]] qsizetype pixmapCount() const { return m_pixmaps.size(); }

Q_SIGNALS:
    // `sizeChanged`: the first picture of this item, or one of another shape.
    void thumbnailArrived(const QUuid& id, bool sizeChanged);

private:
    void accept(const QUuid& id, const QImage& image, qreal devicePixelRatio);

    GalleryStore& m_store;
    QHash<QUuid, QPixmap> m_pixmaps;
    QHash<QUuid, QSizeF> m_sizes;
    QSet<QUuid> m_pending;
};
