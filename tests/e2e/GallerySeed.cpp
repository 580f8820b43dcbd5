#include "GallerySeed.h"

#include "gallery/GalleryIndex.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>

namespace GallerySeed {

QList<SeedItem> sample()
{
    const QList<QColor> cutoutColours { QColor(220, 30, 30), QColor(30, 160, 40), QColor(30, 60, 220),
        QColor(230, 200, 20), QColor(200, 40, 200), QColor(20, 200, 200), QColor(240, 130, 20) };
    const QDateTime newest = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9));
    QList<SeedItem> items;
    for (int i = 0; i < cutoutColours.size(); ++i)
        items.append({ QUuid::createUuid(), cutoutColours[i], QSize(200, 200), false, newest.addSecs(-60 * i) });
    items.append({ QUuid::createUuid(), QColor(90, 60, 30), QSize(300, 200), true, newest.addSecs(-30) });
    items.append({ QUuid::createUuid(), QColor(120, 120, 120), QSize(300, 200), true, newest.addSecs(-90) });
    return items;
}

bool write(const QString& scrapwickFolder, const QList<SeedItem>& items)
{
    QDir root(scrapwickFolder);
    if (!root.mkpath(QStringLiteral("cutouts")) || !root.mkpath(QStringLiteral("collages")))
        return false;
    QHash<QString, QByteArray> encoded;
    QList<IndexEntry> cutouts;
    QList<IndexEntry> collages;
    for (const SeedItem& item : items) {
        const QString key = item.colour.name() + QString::number(item.size.width()) + QLatin1Char('x')
            + QString::number(item.size.height());
        if (!encoded.contains(key)) {
            QImage image(item.size, QImage::Format_ARGB32);
            image.fill(item.colour);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            encoded.insert(key, bytes);
        }
        const QString id = item.id.toString(QUuid::WithoutBraces).toUpper();
        const QString section = item.collage ? QStringLiteral("collages") : QStringLiteral("cutouts");
        QFile file(root.filePath(section + QLatin1Char('/') + id + QStringLiteral(".png")));
        if (!file.open(QIODevice::WriteOnly) || file.write(encoded.value(key)) < 0)
            return false;
        (item.collage ? collages : cutouts).append({ item.id, item.createdAt, section });
    }
    QFile index(root.filePath(QStringLiteral("gallery-index.json")));
    return index.open(QIODevice::WriteOnly) && index.write(GalleryIndex::encode(cutouts + collages)) > 0;
}

} // namespace GallerySeed
