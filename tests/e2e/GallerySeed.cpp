#include "GallerySeed.h"

#include "gallery/GalleryStore.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImage>

namespace GallerySeed {

QList<SeedItem> sample()
{
    const QDateTime newest = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9));
    QList<SeedItem> items;
    for (const QRgb colour : { 0xdc1e1e, 0x1ea028, 0x1e3cdc, 0xe6c814, 0xc828c8, 0x14c8c8, 0xf08214 })
        items.append(
            { QUuid::createUuid(), QColor(colour), QSize(200, 200), false, newest.addSecs(-60 * items.size()) });
    items.append({ QUuid::createUuid(), QColor(90, 60, 30), QSize(300, 200), true, newest.addSecs(-30) });
    items.append({ QUuid::createUuid(), QColor(120, 120, 120), QSize(300, 200), true, newest.addSecs(-90) });
    return items;
}

bool write(const QString& scrapwickFolder, const QList<SeedItem>& items)
{
    GalleryStore store(scrapwickFolder);
    QHash<QString, QByteArray> encoded; // by colour and size
    QList<ClipItem> cutouts;
    // Oldest first: each goes to the front of its section.
    for (auto item = items.rbegin(); item != items.rend(); ++item) {
        const QString key
            = QString("%1 %2x%3").arg(item->colour.name()).arg(item->size.width()).arg(item->size.height());
        if (!encoded.contains(key)) {
            QImage image(item->size, QImage::Format_ARGB32);
            image.fill(item->colour);
            QBuffer buffer(&encoded[key]);
            image.save(&buffer, "PNG");
        }
        item->collage ? store.addCollage({ item->id, encoded[key], item->createdAt })
                      : cutouts.append({ item->id, encoded[key], item->createdAt });
    }
    store.addCutouts(cutouts);
    store.waitForPendingWrites();
    return QFile::exists(store.indexPath());
}

} // namespace GallerySeed
