#pragma once

#include "gallery/ImportSource.h"

#include <QList>
#include <QStringList>
#include <QUrl>

class QMimeData;

// What one import is asked to do: the pictures to convert, in order, and the
// addresses of pictures elsewhere that are not fetched.
struct ImportRequest {
    QList<ImportSource> sources;
    QList<QUrl> skippedRemoteUrls;

    [[nodiscard]] bool isEmpty() const { return sources.isEmpty() && skippedRemoteUrls.isEmpty(); }

    [[nodiscard]] static ImportRequest fromFiles(const QStringList& paths);
    // Local files ("file:" on this machine) in the order given; every other
    // address of a place is remote and skipped; anything else is passed over.
    [[nodiscard]] static ImportRequest fromUrls(const QList<QUrl>& urls);
    // What a drop or the clipboard holds. Files win: a list of local files is
    // imported as it is. Without one, picture data is (PNG first, then any
    // other image type, then an image Qt hands over decoded), named `dataName`;
    // it stands for the first remote address, which a browser sends along with
    // the picture it came from, so only the others are skipped. The gallery's
    // own drag of an item gives nothing: the item is in the gallery already.
    // Reads nothing but `data`, so garbage in gives at most nothing out.
    [[nodiscard]] static ImportRequest fromMimeData(const QMimeData& data, const QString& dataName);
    // Whether `data` may hold something to import, from its formats alone, so
    // that a drag can be accepted without fetching every picture it carries.
    [[nodiscard]] static bool mayHoldPictures(const QMimeData& data);
};
