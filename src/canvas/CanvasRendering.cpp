#include "canvas/CanvasRendering.h"

#include "platform/Log.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <memory>

#include <spng.h>

namespace CanvasRendering {

std::optional<QRectF> contentBounds(const QList<Layer>& layers)
{
    if (layers.isEmpty())
        return std::nullopt;
    double minX = qInf(), minY = qInf(), maxX = -qInf(), maxY = -qInf();
    for (const Layer& layer : layers) {
        const double angle = qDegreesToRadians(layer.rotation);
        const double cosine = std::cos(angle);
        const double sine = std::sin(angle);
        const double halfWidth = layer.width / 2;
        const double halfHeight = layer.height / 2;
        for (const auto& [dx, dy] : { std::pair { -halfWidth, -halfHeight }, std::pair { halfWidth, -halfHeight },
                 std::pair { halfWidth, halfHeight }, std::pair { -halfWidth, halfHeight } }) {
            const double x = layer.position.x() + dx * cosine - dy * sine;
            const double y = layer.position.y() + dx * sine + dy * cosine;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    const QRectF bounds(
        QPointF(minX - boundsMargin, minY - boundsMargin), QPointF(maxX + boundsMargin, maxY + boundsMargin));
    // Only non-finite geometry gets here without a positive size; NaN fails both tests.
    if (!(bounds.width() > 0) || !(bounds.height() > 0))
        return std::nullopt;
    return bounds;
}

namespace {
// Pixels for a length in canvas points; fractions of a pixel are rounded, and a
// positive length always gets at least one pixel.
qint64 pixelsFor(double points, double scale)
{
    const double pixels = std::round(points * scale);
    return pixels < 1 ? 1 : qint64(std::min(pixels, 1e15));
}

void drawLayer(QPainter& painter, const Layer& layer, const QPointF& origin)
{
    QImage image = QImage::fromData(layer.imageData);
    if (image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.hasAlphaChannel())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const QPointF centre = layer.position - origin;
    const QRectF target(centre.x() - layer.width / 2, centre.y() - layer.height / 2, layer.width, layer.height);
    if (layer.rotation == 0 && !layer.flipHorizontal && !layer.flipVertical) {
        painter.drawImage(target, image);
        return;
    }
    // The painter applies the last call first: the image is mirrored about its
    // centre, then turned, then put in place.
    painter.save();
    painter.translate(centre);
    if (layer.rotation != 0)
        painter.rotate(layer.rotation);
    if (layer.flipHorizontal)
        painter.scale(-1, 1);
    if (layer.flipVertical)
        painter.scale(1, -1);
    painter.translate(-centre);
    painter.drawImage(target, image);
    painter.restore();
}
} // namespace

std::optional<QImage> renderImage(const QList<Layer>& layers, const QRectF& area, double scale)
{
    if (!(area.width() > 0) || !(area.height() > 0) || !std::isfinite(area.x()) || !std::isfinite(area.y()))
        return std::nullopt;
    const qint64 width = pixelsFor(area.width(), scale);
    const qint64 height = pixelsFor(area.height(), scale);
    if (width > maxImageSide || height > maxImageSide || width * height > maxImagePixels) {
        Log::line(QStringLiteral("[CanvasStore] Refused to render a %1 x %2 pixel image: the limit is %3 pixels a "
                                 "side and %4 megapixels")
                      .arg(width)
                      .arg(height)
                      .arg(maxImageSide)
                      .arg(maxImagePixels / 1'000'000));
        return std::nullopt;
    }

    QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::transparent);

    QList<Layer> ordered = layers;
    std::stable_sort(
        ordered.begin(), ordered.end(), [](const Layer& a, const Layer& b) { return a.zIndex < b.zIndex; });

    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    for (const Layer& layer : std::as_const(ordered))
        drawLayer(painter, layer, area.topLeft());
    painter.end();
    return image;
}

std::optional<QByteArray> pngData(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    QByteArray bytes;
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(SPNG_CTX_ENCODER), &spng_ctx_free);
    if (!context)
        return std::nullopt;
    const auto append = [](spng_ctx*, void* user, void* data, size_t length) {
        static_cast<QByteArray*>(user)->append(static_cast<const char*>(data), qsizetype(length));
        return 0;
    };
    spng_ihdr header {};
    header.width = quint32(rgba.width());
    header.height = quint32(rgba.height());
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    // zlib's fastest level with the "up" row filter alone: on a 4000 x 3000 board
    // this is about a quarter of the default level's time for a file a third
    // larger, and trying every filter per row costs half as much again for
    // nothing visible in the size.
    if (spng_set_png_stream(context.get(), append, &bytes) || spng_set_ihdr(context.get(), &header)
        || spng_set_option(context.get(), SPNG_IMG_COMPRESSION_LEVEL, 1)
        || spng_set_option(context.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_UP))
        return std::nullopt;
    // Qt pads scanlines to 4 bytes, which RGBA rows already are: the pixels are contiguous.
    const size_t length = size_t(rgba.bytesPerLine()) * size_t(rgba.height());
    if (spng_encode_image(context.get(), rgba.constBits(), length, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE))
        return std::nullopt;
    return bytes;
}

} // namespace CanvasRendering
