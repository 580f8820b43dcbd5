#include "capture/ScreenImageFile.h"

#include <QFile>

#include <spng.h>

#include <memory>
#include <vector>

std::optional<ScreenImageFile::Region> ScreenImageFile::read(const QString& path, const QRect& wanted)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();

    const std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(0), &spng_ctx_free);
    spng_ihdr header {};
    if (!context || spng_set_png_buffer(context.get(), bytes.constData(), size_t(bytes.size())) != 0
        || spng_get_ihdr(context.get(), &header) != 0)
        return std::nullopt;

    Region region;
    region.screenSize = QSize(int(header.width), int(header.height));
    region.rect = wanted.intersected(QRect(QPoint(0, 0), region.screenSize));
    if (region.rect.isEmpty())
        return region;

    if (header.interlace_method != SPNG_INTERLACE_NONE) {
        // Interlaced rows arrive in passes; decode the whole image the usual way.
        QImage whole;
        if (!whole.loadFromData(bytes, "PNG"))
            return std::nullopt;
        region.pixels = whole.copy(region.rect).convertToFormat(QImage::Format_ARGB32);
        return region;
    }

    if (spng_decode_image(context.get(), nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_PROGRESSIVE) != 0)
        return std::nullopt;
    region.pixels = QImage(region.rect.size(), QImage::Format_ARGB32);
    std::vector<unsigned char> row(size_t(header.width) * 4);
    for (int y = 0; y <= region.rect.bottom(); ++y) {
        const int status = spng_decode_row(context.get(), row.data(), row.size());
        if (status != 0 && !(status == SPNG_EOI && y == int(header.height) - 1))
            return std::nullopt; // truncated or corrupt
        if (y < region.rect.top())
            continue;
        auto* out = reinterpret_cast<QRgb*>(region.pixels.scanLine(y - region.rect.top()));
        const unsigned char* in = row.data() + size_t(region.rect.left()) * 4;
        for (int x = 0; x < region.rect.width(); ++x, in += 4)
            out[x] = qRgba(in[0], in[1], in[2], in[3]);
    }
    return region;
}
