#include "canvas/CanvasRendering.h"
#include "platform/Log.h"
#include "support/TestFiles.h"

#include <QTest>

namespace {
// 100 x 100, red top-left, green top-right, blue bottom-left, white bottom-right:
// any turn or mirror moves the colours somewhere else.
QByteArray quadrantPng()
{
    QImage image(2, 2, QImage::Format_ARGB32);
    for (int i = 0; i < 4; ++i)
        image.setPixelColor(i % 2, i / 2, QList<QColor> { Qt::red, Qt::green, Qt::blue, Qt::white }[i]);
    return pngOf(image.scaled(100, 100));
}

Layer layerAt(QPointF centre, double width, double height, double rotation = 0, QByteArray bytes = {}, qint64 z = 0)
{
    Layer layer;
    layer.zIndex = z;
    layer.id = QUuid::createUuid();
    layer.imageData = bytes.isEmpty() ? solidPng(200, 100) : bytes;
    layer.position = centre;
    layer.width = width;
    layer.height = height;
    layer.rotation = rotation;
    return layer;
}
} // namespace

class CanvasRenderingTest : public QObject {
    Q_OBJECT

private slots:
    void pixelsLandWhereTheLayersSay()
    {
        const Layer wide = layerAt({ 200, 100 }, 100, 50);
        const QRectF around(142, 67, 116, 66);
        QCOMPARE(CanvasRendering::renderImage({ wide }, around, 3.0).value_or(QImage()).size(), QSize(348, 198));
        Layer mirrored = layerAt({ 50, 50 }, 100, 100, 90, quadrantPng());
        Layer flipped = mirrored;
        mirrored.flipHorizontal = true;
        flipped.flipVertical = true;
        const auto filled = [](QColor colour, qint64 z) {
            return layerAt({ 50, 50 }, 100, 100, 0, solidPng(9, 9, colour), z);
        };
        const Layer redLayer = filled(Qt::red, 0), blue = filled(Qt::blue, 0), lowBlue = filled(Qt::blue, -2),
                    lowGreen = filled(Qt::green, -1);
        const Layer broken = layerAt({ 25, 50 }, 50, 100, 0, QByteArray("not a png")),
                    turned = layerAt({ 75, 50 }, 50, 100, 30);
        // The colour of one pixel, over (0, 0)-(100, 100) at one pixel a point unless told.
        const auto pixelAt
            = [](const QList<Layer>& layers, QPoint pixel, QRectF area = { 0, 0, 100, 100 }, double scale = 1) {
                  const QColor colour
                      = CanvasRendering::renderImage(layers, area, scale).value_or(QImage()).pixelColor(pixel);
                  return colour.alpha() == 0 ? QColor(Qt::transparent) : colour;
              };
        const QColor red(Qt::red), none(Qt::transparent);
        // The layer covers canvas (150, 75)-(250, 125): pixels 24..323 by 24..173.
        QCOMPARE(pixelAt({ wide }, { 24, 24 }, around, 3), red);
        QCOMPARE(pixelAt({ wide }, { 323, 173 }, around, 3), red);
        QCOMPARE(pixelAt({ wide }, { 23, 24 }, around, 3), none);
        QCOMPARE(pixelAt({ wide }, { 323, 174 }, around, 3), none);
        // Mirrored first, red goes to the top right, then a quarter turn clockwise takes it
        // to the bottom right; flipped first, to the bottom left and back to the top left.
        QCOMPARE(pixelAt({ mirrored }, { 75, 75 }), red);
        QCOMPARE(pixelAt({ flipped }, { 25, 25 }), red);
        // zIndex first, then list order.
        QCOMPARE(pixelAt({ redLayer, blue, lowGreen }, { 50, 50 }), QColor(Qt::blue));
        QCOMPARE(pixelAt({ redLayer, lowBlue, lowGreen }, { 50, 50 }), red);
        // A layer that cannot be decoded is left out; the others are still drawn.
        QCOMPARE(pixelAt({ broken, turned }, { 10, 50 }), none);
        QCOMPARE(pixelAt({ broken, turned }, { 75, 50 }), red);
    }

    void renderRefusals()
    {
        // How many lines a refusal logs; -1 if the area is rendered after all.
        const auto refusal = [](QRectF area) {
            Log::ScopedCapture log;
            const auto image = CanvasRendering::renderImage({ layerAt({ 0, 0 }, 10, 10) }, area, 3.0);
            return image ? -1 : int(log.lines().size());
        };
        QCOMPARE(refusal(QRectF(0, 0, 0, 10)), 0);
        QCOMPARE(refusal(QRectF(0, 0, qQNaN(), 10)), 0);
        // 2,796,203 points are 8,388,609 pixels: two beyond what the raster engine
        // draws, although only 25 megapixels.
        QCOMPARE(refusal(QRectF(0, 0, 2796203, 1)), 1);
        QCOMPARE(refusal(QRectF(0, 0, 4000, 3000)), 1); // 12000 x 9000 pixels are 108 megapixels
        QCOMPARE(refusal(QRectF(-1e300, 0, 1e300, 1e300)), 1);
    }

    void aLongThinBoardIsRenderedAndEncodedWhole()
    {
        // 5,500 x 300 points are 16,500 x 900 pixels: 15 megapixels, one side
        // beyond 16,384. The layer is turned a little, so it is drawn through a
        // transform, and reaches both ends.
        const auto image = CanvasRendering::renderImage(
            { layerAt({ 2750, 150 }, 5499, 100, 0.5, solidPng(64, 8)) }, QRectF(0, 0, 5500, 300), 3.0);
        QCOMPARE(image.value_or(QImage()).size(), QSize(16500, 900));
        for (const QPoint point : { QPoint(30, 450), QPoint(8250, 450), QPoint(16470, 450) })
            QCOMPARE(image->pixelColor(point), QColor(Qt::red));
        // Encoded and read back, every pixel (the turned edges partly transparent) survives.
        const QByteArray png = CanvasRendering::pngData(*image).value_or(QByteArray());
        QCOMPARE(QImage::fromData(png).convertToFormat(image->format()), *image);
        QVERIFY(!CanvasRendering::pngData(QImage()).has_value());
    }
};

QTEST_GUILESS_MAIN(CanvasRenderingTest)
#include "CanvasRenderingTest.moc"
