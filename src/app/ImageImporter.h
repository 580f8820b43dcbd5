#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

struct ImportedImage {
    QUuid id;
    QByteArray pngData;
};

// What came of converting a list of files: the pictures in the order they were
// given, and the file names of those that could not be read.
struct ImportResult {
    QList<ImportedImage> images;
    QStringList failedNames;
};

// Turns image files into PNG bytes. HEIC/HEIF goes through libheif (Qt has no
// reader for it here); every other format through QImageReader, with the
// file's orientation applied. Touches no shared state, so it runs anywhere.
namespace ImageImporter {
// The picture in `path` as PNG bytes, or nothing when it cannot be decoded or
// needs more memory than QImageReader::allocationLimit() allows.
[[nodiscard]] std::optional<QByteArray> pngDataFromFile(const QString& path);

// Converts every path in order; each picture gets a new identifier.
[[nodiscard]] ImportResult convert(const QStringList& paths);

// Runs `convert` on the shared thread pool and hands the result to `completion`
// on the main thread, unless `receiver` has been destroyed by then.
void convertInBackground(
    const QStringList& paths, const QObject* receiver, std::function<void(const ImportResult&)> completion);
} // namespace ImageImporter
