#include "GallerySeed.h"

#include "gallery/GalleryIndex.h"

#include <QBuffer>
#include <QDir>
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
    QDir root(scrapwickFolder);
    if (!root.mkpath("cutouts") || !root.mkpath("collages"))
        return false;
    QHash<QString, QByteArray> encoded; // by colour and size
    QList<IndexEntry> cutouts, collages;
    for (const SeedItem& item : items) {
        const QString key = QString("%1 %2x%3").arg(item.colour.name()).arg(item.size.width()).arg(item.size.height());
        if (!encoded.contains(key)) {
            QImage image(item.size, QImage::Format_ARGB32);
            image.fill(item.colour);
            QBuffer buffer(&encoded[key]);
            image.save(&buffer, "PNG");
        }
        const QString section = item.collage ? "collages" : "cutouts";
        QFile file(root.filePath(section + '/' + item.id.toString(QUuid::WithoutBraces).toUpper() + ".png"));
        if (!file.open(QIODevice::WriteOnly) || file.write(encoded[key]) < 0)
            return false;
        (item.collage ? collages : cutouts).append({ item.id, item.createdAt, section });
    }
    QFile index(root.filePath("gallery-index.json"));
    return index.open(QIODevice::WriteOnly) && index.write(GalleryIndex::encode(cutouts + collages)) > 0;
}

} // namespace GallerySeed
