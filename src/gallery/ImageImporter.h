#pragma once

#include "gallery/ImportSource.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <optional>

// A picture the import has converted, under the id of its new cut-out.
struct ImportedImage {
    QUuid id;
    QByteArray pngData;
};

// Turns pictures into PNG bytes. HEIC/HEIF goes through libheif (Qt has no
// reader for it here); every other format through QImageReader, with the
// picture's orientation applied. Every way in, file or data, has the same
// budget: nothing that would need more memory than
// QImageReader::allocationLimit() allows. Touches no shared state, so it runs anywhere.
namespace ImageImporter {
// The picture in `path` as PNG bytes, or nothing when it cannot be decoded or
// is over the budget.
[[nodiscard]] std::optional<QByteArray> pngDataFromFile(const QString& path);
// The same for the bytes of a picture file that came without the file.
[[nodiscard]] std::optional<QByteArray> pngDataFromBytes(const QByteArray& bytes);
// The same for a picture of any of the three kinds.
[[nodiscard]] std::optional<QByteArray> pngData(const ImportSource& source);
} // namespace ImageImporter
