#include "gallery/ThumbnailDecoder.h"
#include "support/TestFiles.h"

#include <QTest>

#include <spng.h>

#include <array>
#include <cstdlib>
#include <memory>

namespace {

const QColor red(255, 0, 0);
const QColor green(0, 160, 0);
const QColor blue(0, 0, 255);
const QColor paleWhite(255, 255, 255, 128);

// Four flat quadrants from a four-colour palette: top-left red, top-right blue,
// bottom-left green, bottom-right half-transparent white.
QImage paletteQuadrants(QSize size)
{
    QImage image(size, QImage::Format_Indexed8);
    image.setColorTable({ red.rgba(), blue.rgba(), green.rgba(), paleWhite.rgba() });
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, uint((y >= size.height() / 2) * 2 + (x >= size.width() / 2)));
    return image;
}

// An 8-bit RGBA PNG written by libspng, optionally interlaced and with an eXIf chunk.
QByteArray spngEncoded(const QImage& source, bool interlaced, QByteArray exif = {})
{
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
    spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr header { uint32_t(rgba.width()), uint32_t(rgba.height()), 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0,
        uint8_t(interlaced ? SPNG_INTERLACE_ADAM7 : SPNG_INTERLACE_NONE) };
    spng_set_ihdr(context.get(), &header);
    spng_exif chunk { size_t(exif.size()), exif.data() };
    if (!exif.isEmpty())
        spng_set_exif(context.get(), &chunk);
    size_t length = 0;
    int error = 0;
    if (spng_encode_image(
            context.get(), rgba.constBits(), size_t(rgba.sizeInBytes()), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE))
        return {};
    std::unique_ptr<void, void (*)(void*)> png(spng_get_png_buffer(context.get(), &length, &error), std::free);
    return QByteArray(static_cast<const char*>(png.get()), qsizetype(length));
}

// A minimal TIFF-structured Exif block holding only the orientation tag
// (one directory entry: tag 0x0112, type SHORT, one value).
QByteArray orientationExif(int orientation, bool littleEndian)
{
    return littleEndian
        ? QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(orientation) + QByteArray(7, '\0')
        : QByteArray("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 19) + char(orientation) + QByteArray(6, '\0');
}

// The straight (not premultiplied) colour at a fraction of the image's width and height.
QColor straightAt(const QImage& image, double x, double y)
{
    return QColor::fromRgba(qUnpremultiply(image.pixel(int(x * image.width()), int(y * image.height()))));
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace

class ThumbnailDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void decodesUprightThumbnails()
    {
        const QList<QColor> upright { red, blue, green, paleWhite };
        const QImage odd = paletteQuadrants({ 1000, 701 }).convertToFormat(QImage::Format_ARGB32); // 252.36 high
        const QByteArray small = pngOf(paletteQuadrants({ 64, 64 }));
        // The bytes; the output's top-left, top-right, bottom-left and bottom-right colours and size (invalid: none).
        QList<std::tuple<QByteArray, QList<QColor>, QSize>> cases { { pngOf(odd), upright, { 360, 252 } },
            { pngOf(paletteQuadrants(odd.size())), upright, { 360, 252 } }, // a palette with transparency
            { spngEncoded(odd, true), upright, { 360, 252 } }, // interlaced
            { QByteArray(), upright, {} }, { small.left(40), upright, {} }, // a header without data
            { small.left(8) + QByteArray(500, '\x5a'), upright, {} } };
        // PNG's eXIf chunk, read by our own parser: odd orientations little-endian, even ones big-endian.
        const std::array<QList<QColor>, 8> turned { upright, { blue, red, paleWhite, green },
            { paleWhite, green, blue, red }, { green, paleWhite, red, blue }, { red, green, blue, paleWhite },
            { green, red, paleWhite, blue }, { paleWhite, blue, green, red }, { blue, paleWhite, red, green } };
        for (int orientation = 1; orientation <= 8; ++orientation)
            cases.append({ spngEncoded(paletteQuadrants({ 800, 400 }), false,
                               orientationExif(orientation, orientation % 2 == 1)),
                turned[orientation - 1], orientation > 4 ? QSize(180, 360) : QSize(360, 180) });
        for (qsizetype row = 0; row < cases.size(); ++row) {
            const auto& [bytes, corners, size] = cases[row];
            const auto thumbnail = ThumbnailDecoder::thumbnail(bytes, 360);
            QVERIFY2(thumbnail.has_value() == size.isValid(), qPrintable(QString::number(row)));
            if (!thumbnail)
                continue;
            QCOMPARE(thumbnail->size(), size);
            QCOMPARE(thumbnail->format(), QImage::Format_ARGB32_Premultiplied);
            for (int i = 0; i < 4; ++i) {
                const QColor actual = straightAt(*thumbnail, 0.25 + 0.5 * (i % 2), 0.25 + 0.5 * (i / 2));
                QVERIFY2(near(actual, corners[i], 2),
                    qPrintable(QString("row %1: %2").arg(row).arg(actual.name(QColor::HexArgb))));
            }
        }
    }
};

QTEST_GUILESS_MAIN(ThumbnailDecoderTest)
#include "ThumbnailDecoderTest.moc"
