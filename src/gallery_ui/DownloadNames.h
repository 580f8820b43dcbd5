#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Names of downloaded gallery images: "scrapwick_" + the creation time in
// local time as "yyyyMMdd_HHmmss" + ".png".
namespace DownloadNames {

[[nodiscard]] QString fileName(const QDateTime& createdAt);

// Names for saving several items into one folder, in the given order. Items
// created in the same second would share a name and overwrite each other, so
// the second and later of them get "_2", "_3", ... before ".png"; the first
// keeps the plain name.
[[nodiscard]] QStringList batchFileNames(const QList<QDateTime>& createdAt);

} // namespace DownloadNames
