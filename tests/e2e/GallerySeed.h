#pragma once

#include <QColor>
#include <QDateTime>
#include <QSize>
#include <QUuid>

// A gallery written straight into a "Scrapwick" data folder before the app
// starts: one PNG per item, filled with a known colour, and the index, lists
// newest first; pictures of the same colour and size share their encoding, so
// a large gallery is quick to write. End-to-end tests, the screenshots and the
// benchmark use it.
struct SeedItem {
    QUuid id;
    QColor colour;
    QSize size;
    bool collage = false;
    QDateTime createdAt;
};

namespace GallerySeed {

// Seven cut-outs of seven distinct colours (newest first) and two collages,
// created one minute apart.
[[nodiscard]] QList<SeedItem> sample();
// Writes the files and the index; false when anything could not be written.
[[nodiscard]] bool write(const QString& scrapwickFolder, const QList<SeedItem>& items);

} // namespace GallerySeed
