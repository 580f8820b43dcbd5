#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

// Makes small images for the gallery grid straight from encoded bytes, without
// ever holding the full-size picture: PNGs (nearly every gallery file) are
// decoded row by row with libspng and box-shrunk on the fly; other formats, and
// PNGs libspng rejects, go through QImageReader at reduced size.
class ThumbnailDecoder {
public:
    // Longest side at most `maxPixel` (never enlarged), aspect ratio kept, the
    // image's orientation applied; Format_ARGB32_Premultiplied. Nothing when the
    // bytes are not a decodable image.
    [[nodiscard]] static std::optional<QImage> thumbnail(const QByteArray& bytes, int maxPixel);

    // The size a `source`-sized image is shown at under that bound.
    [[nodiscard]] static QSize thumbnailSize(QSize source, int maxPixel);

private:
    [[nodiscard]] static std::optional<QImage> fromPng(const QByteArray& bytes, int maxPixel);
    [[nodiscard]] static std::optional<QImage> fromAnyFormat(const QByteArray& bytes, int maxPixel);
};
