#pragma once

#include "canvas/Layer.h"

#include <QImage>
#include <QList>
#include <QRectF>

#include <optional>

// The canvas turned into one picture, for the PNG export and "Save to Collages".
namespace CanvasRendering {
// Empty space left around the layers by contentBounds, in canvas points.
inline constexpr double boundsMargin = 8.0;

// The largest image renderImage makes. Beyond this many pixels an export is
// useless and the allocation alone could take the program down.
inline constexpr qint64 maxImagePixels = 100'000'000;
// The raster paint engine works in fixed point (24.8 on 64-bit builds, 16.16 on
// 32-bit ones) and silently leaves out whatever lies beyond this coordinate.
// Nothing else is tighter: QImage needs only a line's bytes to fit in an int,
// and PNG allows sides of 2^31 - 1.
inline constexpr qint64 maxImageSide = QT_POINTER_SIZE == 8 ? (1 << 23) - 1 : (1 << 15) - 1;

// The area the layers cover once turned (mirroring does not move corners), grown
// by the margin on every side; nothing for an empty canvas.
[[nodiscard]] std::optional<QRectF> contentBounds(const QList<Layer>& layers);

// The layers inside `area`, `scale` image pixels per canvas point, on a
// transparent background, drawn in ascending zIndex (equal values in list
// order). Nothing for an empty area, or one over the pixel limits (logged).
// Layers whose bytes do not decode are left out.
[[nodiscard]] std::optional<QImage> renderImage(const QList<Layer>& layers, const QRectF& area, double scale);

// PNG bytes (8-bit RGBA) of a rendered canvas. Compressed for speed: these
// images are large, and zlib's default level costs several times as long.
[[nodiscard]] std::optional<QByteArray> pngData(const QImage& image);
} // namespace CanvasRendering
