#include "gallery/ThumbnailDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QTransform>

#include <spng.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// PNG allows sides of 2^31 - 1; nobody pastes such a picture into a gallery, and
// a forged header must not make us allocate for it.
constexpr uint32_t maximumSide = 32768;
// Interlaced PNGs are decoded whole before shrinking (their rows arrive in seven
// passes), so they get a tighter bound on memory: 64 Mpx, 256 MB.
constexpr uint64_t maximumInterlacedPixels = uint64_t(1) << 26;
// Keeps the 32-bit sums of one block below overflow: 256 * 256 * 255 * 255 < 2^32.
constexpr uint32_t maximumShrinkFactor = 256;

bool looksLikePng(const QByteArray& bytes)
{
    static constexpr char signature[] = "\x89PNG\r\n\x1a\n";
    return bytes.startsWith(QByteArrayView(signature, 8));
}

// Averages blocks of factor x factor pixels of straight-alpha RGBA rows into a
// premultiplied ARGB32 image. Averaging premultiplied values keeps the colour
// of fully transparent pixels (often black) out of the visible edges of a cut-out.
class BoxShrinker {
public:
    BoxShrinker(uint32_t width, uint32_t height, uint32_t factor)
        : m_width(width)
        , m_factor(factor)
        , m_image(int((width + factor - 1) / factor), int((height + factor - 1) / factor),
              QImage::Format_ARGB32_Premultiplied)
        , m_columnSums(size_t(width) * 4, 0)
    {
    }

    [[nodiscard]] bool isValid() const { return !m_image.isNull(); }

    // Adds a row to the per-column sums: a flat loop the compiler vectorises.
    // The blocks are summed across only once per band of `factor` rows.
    void addRow(const uint8_t* rgba)
    {
        uint32_t* sum = m_columnSums.data();
        for (size_t i = 0; i < size_t(m_width) * 4; i += 4) {
            const uint32_t alpha = rgba[i + 3];
            sum[i] += rgba[i] * alpha;
            sum[i + 1] += rgba[i + 1] * alpha;
            sum[i + 2] += rgba[i + 2] * alpha;
            sum[i + 3] += alpha;
        }
        if (++m_rowsInBand == m_factor)
            finishBand();
    }

    [[nodiscard]] QImage finish()
    {
        if (m_rowsInBand > 0)
            finishBand();
        return m_image;
    }

private:
    void finishBand()
    {
        auto* out = reinterpret_cast<QRgb*>(m_image.scanLine(m_outputRow++));
        const uint32_t* columns = m_columnSums.data();
        for (uint32_t start = 0; start < m_width; start += m_factor) {
            const uint32_t end = std::min(m_width, start + m_factor);
            uint32_t r = 0, g = 0, b = 0, a = 0;
            for (const uint32_t* c = columns + size_t(start) * 4; c != columns + size_t(end) * 4; c += 4) {
                r += c[0];
                g += c[1];
                b += c[2];
                a += c[3];
            }
            const uint32_t count = (end - start) * m_rowsInBand;
            const uint32_t colourDivisor = count * 255;
            const auto colour = [&](uint32_t total) { return int((total + colourDivisor / 2) / colourDivisor); };
            *out++ = qRgba(colour(r), colour(g), colour(b), int((a + count / 2) / count));
        }
        std::fill(m_columnSums.begin(), m_columnSums.end(), 0);
        m_rowsInBand = 0;
    }

    const uint32_t m_width;
    const uint32_t m_factor;
    QImage m_image;
    std::vector<uint32_t> m_columnSums;
    uint32_t m_rowsInBand = 0;
    int m_outputRow = 0;
};

// The value of the Orientation tag (1 to 8, 1 = as stored) in a TIFF-structured
// Exif block, as PNG's eXIf chunk holds it.
int exifOrientation(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 1;
    bool littleEndian = false;
    if (data[0] == 'I' && data[1] == 'I')
        littleEndian = true;
    else if (!(data[0] == 'M' && data[1] == 'M'))
        return 1;
    const auto u16 = [&](size_t at) -> uint32_t {
        return littleEndian ? data[at] | data[at + 1] << 8 : data[at] << 8 | data[at + 1];
    };
    const auto u32 = [&](size_t at) -> uint64_t {
        return littleEndian ? u16(at) | uint64_t(u16(at + 2)) << 16 : uint64_t(u16(at)) << 16 | u16(at + 2);
    };
    if (u16(2) != 42)
        return 1;
    const uint64_t directory = u32(4);
    if (directory + 2 > size)
        return 1;
    const uint32_t entries = u16(size_t(directory));
    constexpr uint32_t orientationTag = 0x0112;
    constexpr uint32_t shortType = 3;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint64_t entry = directory + 2 + uint64_t(i) * 12;
        if (entry + 12 > size)
            break;
        if (u16(size_t(entry)) == orientationTag && u16(size_t(entry + 2)) == shortType) {
            const uint32_t value = u16(size_t(entry + 8));
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

// Turns an image stored with Exif orientation `orientation` upright.
QImage applyOrientation(const QImage& image, int orientation)
{
    const auto rotatedClockwise = [](const QImage& i) { return i.transformed(QTransform().rotate(90)); };
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.mirrored(true, true);
    case 4:
        return image.mirrored(false, true);
    case 5:
        return rotatedClockwise(image.mirrored(false, true));
    case 6:
        return rotatedClockwise(image);
    case 7:
        return rotatedClockwise(image.mirrored(true, false));
    case 8:
        return rotatedClockwise(image.mirrored(true, true));
    default:
        return image;
    }
}

struct SpngContextDeleter {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

} // namespace

QSize ThumbnailDecoder::thumbnailSize(QSize source, int maxPixel)
{
    const int longest = std::max(source.width(), source.height());
    if (longest <= maxPixel)
        return source;
    const auto shorter = [&](int side) { return std::max(1, int(std::lround(double(side) * maxPixel / longest))); };
    return source.width() >= source.height() ? QSize(maxPixel, shorter(source.height()))
                                             : QSize(shorter(source.width()), maxPixel);
}

std::optional<QImage> ThumbnailDecoder::thumbnail(const QByteArray& bytes, int maxPixel)
{
    if (maxPixel < 1 || bytes.isEmpty())
        return std::nullopt;
    if (looksLikePng(bytes)) {
        if (auto image = fromPng(bytes, maxPixel))
            return image;
    }
    return fromAnyFormat(bytes, maxPixel);
}

std::optional<QImage> ThumbnailDecoder::fromPng(const QByteArray& bytes, int maxPixel)
{
    std::unique_ptr<spng_ctx, SpngContextDeleter> owner(spng_ctx_new(0));
    spng_ctx* context = owner.get();
    if (!context || spng_set_image_limits(context, maximumSide, maximumSide) != 0
        || spng_set_png_buffer(context, bytes.constData(), size_t(bytes.size())) != 0)
        return std::nullopt;

    spng_ihdr header {};
    size_t imageBytes = 0;
    if (spng_get_ihdr(context, &header) != 0 || spng_decoded_image_size(context, SPNG_FMT_RGBA8, &imageBytes) != 0)
        return std::nullopt;
    const size_t rowBytes = size_t(header.width) * 4;

    // Read before decoding: libspng no longer hands out the chunk afterwards.
    int orientation = 1;
    spng_exif exif {};
    if (spng_get_exif(context, &exif) == 0 && exif.data)
        orientation = exifOrientation(reinterpret_cast<const uint8_t*>(exif.data), exif.length);

    // Shrink by a whole factor while decoding, leaving the last step (less than
    // a factor of two) to a smooth scale of the small image.
    const uint32_t longest = std::max(header.width, header.height);
    const uint32_t factor = std::clamp(longest / uint32_t(maxPixel), 1u, maximumShrinkFactor);
    BoxShrinker shrinker(header.width, header.height, factor);
    if (!shrinker.isValid())
        return std::nullopt;

    if (header.interlace_method == SPNG_INTERLACE_NONE) {
        if (spng_decode_image(context, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE) != 0)
            return std::nullopt;
        std::vector<uint8_t> row(rowBytes);
        for (uint32_t y = 0; y < header.height; ++y) {
            const int result = spng_decode_row(context, row.data(), rowBytes);
            if (result != 0 && !(result == SPNG_EOI && y + 1 == header.height))
                return std::nullopt;
            shrinker.addRow(row.data());
        }
    } else {
        if (uint64_t(header.width) * header.height > maximumInterlacedPixels)
            return std::nullopt;
        std::vector<uint8_t> pixels(imageBytes);
        if (spng_decode_image(context, pixels.data(), imageBytes, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) != 0)
            return std::nullopt;
        for (uint32_t y = 0; y < header.height; ++y)
            shrinker.addRow(pixels.data() + size_t(y) * rowBytes);
    }

    QImage image = shrinker.finish();
    const QSize target = thumbnailSize(QSize(int(header.width), int(header.height)), maxPixel);
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return applyOrientation(image, orientation);
}

std::optional<QImage> ThumbnailDecoder::fromAnyFormat(const QByteArray& bytes, int maxPixel)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && thumbnailSize(size, maxPixel) != size)
        reader.setScaledSize(thumbnailSize(size, maxPixel));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    // Some readers report no size up front or ignore the requested one.
    const QSize target = thumbnailSize(image.size(), maxPixel);
    if (target != image.size())
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
