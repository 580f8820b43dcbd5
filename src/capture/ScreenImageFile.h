#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

// Reading back the capture helper's PNG of the whole screen. Only the pixels
// under the lasso are needed, so only the rows down to its last one are
// decompressed and only its box is converted: the rest of the file is never
// decoded.
class ScreenImageFile {
public:
    struct Region {
        QSize screenSize; // of the whole image in the file
        QRect rect; // the part that was read: `wanted` clipped to the image
        QImage pixels; // the pixels of `rect` (ARGB32); null when `rect` is empty
    };

    // Nothing when the file is missing or is not a readable PNG.
    [[nodiscard]] static std::optional<Region> read(const QString& path, const QRect& wanted);
};
