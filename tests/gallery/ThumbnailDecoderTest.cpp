#include "gallery/ThumbnailDecoder.h"

#include <QBuffer>
#include <QTest>

#include <spng.h>

#include <cstdlib>

namespace {

const QColor red(255, 0, 0);
const QColor green(0, 160, 0);
const QColor blue(0, 0, 255);
const QColor paleWhite(255, 255, 255, 128);

// Four flat quadrants: top-left red, top-right blue, bottom-left green,
// bottom-right half-transparent white.
QImage quadrants(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QColor& c = y < h ? (x < w ? red : blue) : (x < w ? green : paleWhite);
            image.setPixel(x, y, c.rgba());
        }
    }
    return image;
}

// The same picture with a four-colour palette.
QImage paletteQuadrants(QSize size)
{
    const QImage source = quadrants(size);
    const QList<QRgb> palette { red.rgba(), blue.rgba(), green.rgba(), paleWhite.rgba() };
    QImage image(size, QImage::Format_Indexed8);
    image.setColorTable(palette);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, uint(palette.indexOf(source.pixel(x, y))));
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return {};
    return bytes;
}

// An 8-bit RGBA PNG written by libspng, optionally interlaced and with an eXIf chunk.
QByteArray spngEncoded(const QImage& source, bool interlaced, QByteArray exif = {})
{
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr header {};
    header.width = uint32_t(rgba.width());
    header.height = uint32_t(rgba.height());
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    header.interlace_method = interlaced ? SPNG_INTERLACE_ADAM7 : SPNG_INTERLACE_NONE;
    spng_set_ihdr(context, &header);
    if (!exif.isEmpty()) {
        spng_exif chunk { size_t(exif.size()), exif.data() };
        spng_set_exif(context, &chunk);
    }
    QByteArray result;
    if (spng_encode_image(context, rgba.constBits(), size_t(rgba.sizeInBytes()), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE)
        == 0) {
        size_t length = 0;
        int error = 0;
        void* png = spng_get_png_buffer(context, &length, &error);
        result = QByteArray(static_cast<const char*>(png), qsizetype(length));
        std::free(png);
    }
    spng_ctx_free(context);
    return result;
}

// A minimal TIFF-structured Exif block holding only the orientation tag.
QByteArray orientationExif(int orientation, bool littleEndian)
{
    QByteArray exif;
    const auto u16 = [&](int v) {
        const char high = char(v >> 8), low = char(v & 0xff);
        exif.append(littleEndian ? low : high);
        exif.append(littleEndian ? high : low);
    };
    const auto u32 = [&](int v) {
        if (littleEndian) {
            u16(v);
            u16(0);
        } else {
            u16(0);
            u16(v);
        }
    };
    exif.append(littleEndian ? "II" : "MM");
    u16(42);
    u32(8); // the first directory follows the header
    u16(1); // one entry: orientation, a SHORT, one value
    u16(0x0112);
    u16(3);
    u32(1);
    u16(orientation);
    u16(0);
    u32(0); // no next directory
    return exif;
}

// The straight (not premultiplied) colour of a thumbnail pixel.
QColor colourAt(const QImage& image, double fx, double fy)
{
    const QPoint p(int(fx * image.width()), int(fy * image.height()));
    return QColor::fromRgba(qUnpremultiply(image.pixel(p)));
}

// Checks the colour at each point, within `tolerance` per channel.
void expectColours(const QImage& image, const QList<QPointF>& points, const QList<QColor>& expected, int tolerance)
{
    for (int i = 0; i < points.size(); ++i) {
        const QColor actual = colourAt(image, points[i].x(), points[i].y());
        const QColor& e = expected[i];
        const bool near = std::abs(actual.red() - e.red()) <= tolerance
            && std::abs(actual.green() - e.green()) <= tolerance && std::abs(actual.blue() - e.blue()) <= tolerance
            && std::abs(actual.alpha() - e.alpha()) <= tolerance;
        QVERIFY2(near,
            qPrintable(QStringLiteral("point %1: %2 != %3")
                           .arg(i)
                           .arg(actual.name(QColor::HexArgb), e.name(QColor::HexArgb))));
    }
}

const QList<QPointF> quarterPoints { { 0.25, 0.25 }, { 0.75, 0.25 }, { 0.25, 0.75 }, { 0.75, 0.75 } };

} // namespace

class ThumbnailDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void thumbnailSizeBoundsTheLongestSide_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("landscape photo") << QSize(1600, 1200) << QSize(360, 270);
        QTest::newRow("portrait") << QSize(1200, 1600) << QSize(270, 360);
        QTest::newRow("thin strip keeps one row") << QSize(4000, 3) << QSize(360, 1);
        QTest::newRow("small is not enlarged") << QSize(100, 50) << QSize(100, 50);
        // 1000 x 701 * 0.36 = 252.36
        QTest::newRow("rounding") << QSize(1000, 701) << QSize(360, 252);
    }

    void thumbnailSizeBoundsTheLongestSide()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, expected);
        QCOMPARE(ThumbnailDecoder::thumbnailSize(source, 360), expected);
    }

    void decodesPngsAndOtherFormats_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("tolerance");
        const QImage source = quadrants({ 1000, 700 });
        QTest::newRow("rgba png") << encoded(source, "PNG") << 2;
        QTest::newRow("palette png with transparency") << encoded(paletteQuadrants(source.size()), "PNG") << 2;
        QTest::newRow("interlaced png") << spngEncoded(source, true) << 2;
        QTest::newRow("jpeg") << encoded(source.convertToFormat(QImage::Format_RGB32), "JPEG") << 12;
    }

    void decodesPngsAndOtherFormats()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, tolerance);
        QVERIFY(!bytes.isEmpty());
        const auto thumbnail = ThumbnailDecoder::thumbnail(bytes, 360);
        QVERIFY(thumbnail.has_value());
        QCOMPARE(thumbnail->size(), QSize(360, 252));
        QCOMPARE(thumbnail->format(), QImage::Format_ARGB32_Premultiplied);
        // JPEG has no alpha: its last quadrant is the pale white flattened.
        const QColor last = QTest::currentDataTag() == QByteArray("jpeg") ? QColor(255, 255, 255) : paleWhite;
        expectColours(*thumbnail, quarterPoints, { red, blue, green, last }, tolerance);
    }

    void transparentPixelsDoNotDarkenTheirNeighbours()
    {
        // Opaque white next to transparent black, one pixel each: a plain average
        // of the straight colours would show a grey fringe.
        QImage checker(1000, 1000, QImage::Format_ARGB32);
        for (int y = 0; y < 1000; ++y)
            for (int x = 0; x < 1000; ++x)
                checker.setPixel(x, y, (x + y) % 2 ? qRgba(255, 255, 255, 255) : qRgba(0, 0, 0, 0));
        const auto thumbnail = ThumbnailDecoder::thumbnail(encoded(checker, "PNG"), 360);
        QVERIFY(thumbnail.has_value());
        expectColours(*thumbnail, { { 0.5, 0.5 } }, { QColor(255, 255, 255, 128) }, 3);
    }

    void theLastPartialBlockIsKept()
    {
        // 1003 is not a multiple of the shrink factor (2); the right-most column
        // of the thumbnail comes from the last, partial block.
        QImage image(1003, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int y = 0; y < 400; ++y)
            image.setPixel(1002, y, qRgb(0, 0, 255));
        const auto thumbnail = ThumbnailDecoder::thumbnail(encoded(image, "PNG"), 360);
        QVERIFY(thumbnail.has_value());
        QCOMPARE(thumbnail->size(), QSize(360, 144));
        const QColor right = QColor(thumbnail->pixel(359, 70));
        QVERIFY2(right.red() < 235 && right.blue() == 255, qPrintable(right.name()));
    }

    void exifOrientationTurnsThePictureUpright_data()
    {
        QTest::addColumn<int>("orientation");
        // Expected colours of the output's top-left, top-right, bottom-left and bottom-right.
        QTest::addColumn<QList<QColor>>("corners");
        QTest::newRow("1 as stored") << 1 << QList<QColor> { red, blue, green, paleWhite };
        QTest::newRow("2 mirrored") << 2 << QList<QColor> { blue, red, paleWhite, green };
        QTest::newRow("3 upside down") << 3 << QList<QColor> { paleWhite, green, blue, red };
        QTest::newRow("4 flipped") << 4 << QList<QColor> { green, paleWhite, red, blue };
        QTest::newRow("5 transposed") << 5 << QList<QColor> { red, green, blue, paleWhite };
        QTest::newRow("6 turned clockwise") << 6 << QList<QColor> { green, red, paleWhite, blue };
        QTest::newRow("7 transversed") << 7 << QList<QColor> { paleWhite, blue, green, red };
        QTest::newRow("8 turned anticlockwise") << 8 << QList<QColor> { blue, paleWhite, red, green };
    }

    void exifOrientationTurnsThePictureUpright()
    {
        QFETCH(int, orientation);
        QFETCH(QList<QColor>, corners);
        // Odd orientations in little-endian Exif, even ones in big-endian.
        const QByteArray png
            = spngEncoded(quadrants({ 800, 400 }), false, orientationExif(orientation, orientation % 2 == 1));
        QVERIFY(!png.isEmpty());
        const auto thumbnail = ThumbnailDecoder::thumbnail(png, 360);
        QVERIFY(thumbnail.has_value());
        QCOMPARE(thumbnail->size(), orientation > 4 ? QSize(180, 360) : QSize(360, 180));
        expectColours(*thumbnail, quarterPoints, corners, 2);
    }

    void jpegOrientationIsAppliedToo()
    {
        // Qt writes no Exif; splice an APP1 segment in right after the JPEG's SOI marker.
        const QByteArray jpeg = encoded(quadrants({ 800, 400 }).convertToFormat(QImage::Format_RGB32), "JPEG");
        const QByteArray payload = QByteArray("Exif", 5) + '\0' + orientationExif(6, false);
        const int length = int(payload.size()) + 2;
        const QByteArray segment = QByteArray("\xff\xe1") + char(length >> 8) + char(length & 0xff) + payload;
        const auto thumbnail = ThumbnailDecoder::thumbnail(jpeg.left(2) + segment + jpeg.mid(2), 360);
        QVERIFY(thumbnail.has_value());
        QCOMPARE(thumbnail->size(), QSize(180, 360));
        expectColours(*thumbnail, { { 0.25, 0.25 }, { 0.75, 0.25 } }, { green, red }, 12);
    }

    void bytesThatAreNoImageGiveNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray png = encoded(quadrants({ 64, 64 }), "PNG");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not an image at all");
        QTest::newRow("png header, no data") << png.left(40);
        QTest::newRow("png signature then noise") << png.left(8) + QByteArray(500, '\x5a');
    }

    void bytesThatAreNoImageGiveNothing()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!ThumbnailDecoder::thumbnail(bytes, 360).has_value());
    }
};

QTEST_GUILESS_MAIN(ThumbnailDecoderTest)
#include "ThumbnailDecoderTest.moc"
