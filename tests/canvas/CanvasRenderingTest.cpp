#include "CanvasTestImages.h"

#include "canvas/CanvasRendering.h"
#include "platform/Log.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<Layer>)

namespace {
Layer layerAt(QPointF centre, double width, double height, double rotation = 0, QByteArray bytes = {})
{
    Layer layer;
    layer.id = QUuid::createUuid();
    layer.clipItemId = QUuid::createUuid();
    layer.imageData = bytes.isEmpty() ? solidPng(200, 100) : bytes;
    layer.position = centre;
    layer.width = width;
    layer.height = height;
    layer.rotation = rotation;
    return layer;
}

QColor colourAt(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}
} // namespace

class CanvasRenderingTest : public QObject {
    Q_OBJECT

private slots:
    void contentBounds_data()
    {
        QTest::addColumn<QList<Layer>>("layers");
        QTest::addColumn<QRectF>("expected");

        QTest::newRow("unrotated") << QList<Layer> { layerAt({ 200, 100 }, 100, 50) } << QRectF(142, 67, 116, 66);
        QTest::newRow("quarter turn") << QList<Layer> { layerAt({ 200, 100 }, 100, 50, 90) }
                                      << QRectF(167, 42, 66, 116);
        QTest::newRow("minus quarter turn")
            << QList<Layer> { layerAt({ 200, 100 }, 100, 50, -90) } << QRectF(167, 42, 66, 116);
        Layer mirrored = layerAt({ 200, 100 }, 100, 50);
        mirrored.flipHorizontal = mirrored.flipVertical = true;
        QTest::newRow("mirroring moves no corner") << QList<Layer> { mirrored } << QRectF(142, 67, 116, 66);
        // Half the diagonal of a 10 x 10 square is 5 * sqrt(2) = 7.0710678.
        QTest::newRow("eighth turn") << QList<Layer> { layerAt({ 0, 0 }, 10, 10, 45) }
                                     << QRectF(-15.0710678, -15.0710678, 30.1421356, 30.1421356);
        QTest::newRow("two layers") << QList<Layer> { layerAt({ 0, 0 }, 10, 10), layerAt({ 100, 50 }, 20, 20) }
                                    << QRectF(-13, -13, 131, 81);
    }

    void contentBounds()
    {
        QFETCH(QList<Layer>, layers);
        QFETCH(QRectF, expected);
        const auto bounds = CanvasRendering::contentBounds(layers);
        QVERIFY(bounds.has_value());
        QVERIFY2(qAbs(bounds->x() - expected.x()) < 1e-6 && qAbs(bounds->y() - expected.y()) < 1e-6
                && qAbs(bounds->width() - expected.width()) < 1e-6 && qAbs(bounds->height() - expected.height()) < 1e-6,
            qPrintable(QStringLiteral("got %1,%2 %3x%4")
                           .arg(bounds->x())
                           .arg(bounds->y())
                           .arg(bounds->width())
                           .arg(bounds->height())));
    }

    void contentBoundsOfNothingIsAbsent()
    {
        QVERIFY(!CanvasRendering::contentBounds({}).has_value());
        QVERIFY(!CanvasRendering::contentBounds({ layerAt({ 0, 0 }, qQNaN(), 10) }).has_value());
    }

    void layerFillsItsRectangleAndNothingElse()
    {
        const QList<Layer> layers { layerAt({ 200, 100 }, 100, 50) };
        const auto image = CanvasRendering::renderImage(layers, QRectF(142, 67, 116, 66), 3.0);
        QVERIFY(image.has_value());
        QCOMPARE(image->size(), QSize(348, 198));
        // The layer covers canvas (150, 75)-(250, 125): pixels 24..323 by 24..173.
        for (const QPoint inside :
            { QPoint(24, 24), QPoint(323, 24), QPoint(24, 173), QPoint(323, 173), QPoint(174, 99) })
            QCOMPARE(colourAt(*image, inside.x(), inside.y()), QColor(Qt::red));
        for (const QPoint outside :
            { QPoint(23, 24), QPoint(24, 23), QPoint(324, 173), QPoint(323, 174), QPoint(0, 0), QPoint(347, 197) })
            QCOMPARE(image->pixelColor(outside).alpha(), 0);
    }

    void mirroringComesBeforeTurning()
    {
        // A 100 x 100 layer in a 100 x 100 area, one image pixel per point.
        Layer layer = layerAt({ 50, 50 }, 100, 100, 90, quadrantPng(100));
        layer.flipHorizontal = true;
        const auto image = CanvasRendering::renderImage({ layer }, QRectF(0, 0, 100, 100), 1.0);
        QVERIFY(image.has_value());
        // Mirrored first: red goes to the top right; turned a quarter clockwise:
        // to the bottom right. Turning first and mirroring after would leave red
        // at the top left.
        QCOMPARE(colourAt(*image, 25, 25), QColor(Qt::white));
        QCOMPARE(colourAt(*image, 75, 25), QColor(Qt::green));
        QCOMPARE(colourAt(*image, 25, 75), QColor(Qt::blue));
        QCOMPARE(colourAt(*image, 75, 75), QColor(Qt::red));

        layer.flipHorizontal = false;
        layer.flipVertical = true;
        layer.rotation = 0;
        const auto upsideDown = CanvasRendering::renderImage({ layer }, QRectF(0, 0, 100, 100), 1.0);
        QCOMPARE(colourAt(*upsideDown, 25, 75), QColor(Qt::red));
        QCOMPARE(colourAt(*upsideDown, 75, 25), QColor(Qt::white));
    }

    void layersStackByZIndexThenListOrder()
    {
        Layer lowerButLast = layerAt({ 50, 50 }, 100, 100, 0, solidPng(10, 10, Qt::green));
        lowerButLast.zIndex = -1;
        Layer first = layerAt({ 50, 50 }, 100, 100, 0, solidPng(10, 10, Qt::red));
        Layer second = layerAt({ 50, 50 }, 100, 100, 0, solidPng(10, 10, Qt::blue));
        const auto image = CanvasRendering::renderImage({ first, second, lowerButLast }, QRectF(0, 0, 100, 100), 1.0);
        QCOMPARE(colourAt(*image, 50, 50), QColor(Qt::blue));

        second.zIndex = -2;
        const auto reordered
            = CanvasRendering::renderImage({ first, second, lowerButLast }, QRectF(0, 0, 100, 100), 1.0);
        QCOMPARE(colourAt(*reordered, 50, 50), QColor(Qt::red));
    }

    void undecodableLayerIsLeftOut()
    {
        const QList<Layer> layers { layerAt({ 50, 50 }, 100, 100, 0, QByteArray("not a png")),
            layerAt({ 150, 50 }, 100, 100, 30) };
        const auto image = CanvasRendering::renderImage(layers, QRectF(0, 0, 200, 100), 1.0);
        QVERIFY(image.has_value());
        QCOMPARE(image->pixelColor(10, 50).alpha(), 0);
        QCOMPARE(colourAt(*image, 150, 50), QColor(Qt::red));
    }

    void areaAwayFromLayersIsTransparent()
    {
        const auto image
            = CanvasRendering::renderImage({ layerAt({ 200, 100 }, 100, 50) }, QRectF(1000, 1000, 20, 10), 3.0);
        QVERIFY(image.has_value());
        QCOMPARE(image->size(), QSize(60, 30));
        for (int y = 0; y < image->height(); ++y) {
            for (int x = 0; x < image->width(); ++x)
                QCOMPARE(image->pixelColor(x, y).alpha(), 0);
        }
    }

    void renderRefusals_data()
    {
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<int>("loggedLines");
        QTest::newRow("zero width") << QRectF(0, 0, 0, 10) << 0;
        QTest::newRow("negative height") << QRectF(0, 0, 10, -1) << 0;
        QTest::newRow("not a number") << QRectF(0, 0, qQNaN(), 10) << 0;
        // 5462 points are 16386 pixels, two over the side limit.
        QTest::newRow("too wide") << QRectF(0, 0, 5462, 10) << 1;
        // 12000 x 9000 pixels are 108 megapixels.
        QTest::newRow("too many pixels") << QRectF(0, 0, 4000, 3000) << 1;
        QTest::newRow("absurd") << QRectF(-1e300, 0, 1e300, 1e300) << 1;
    }

    void renderRefusals()
    {
        QFETCH(QRectF, area);
        QFETCH(int, loggedLines);
        Log::ScopedCapture log;
        QVERIFY(!CanvasRendering::renderImage({ layerAt({ 0, 0 }, 10, 10) }, area, 3.0).has_value());
        QCOMPARE(log.lines().size(), loggedLines);
        if (loggedLines)
            QVERIFY(log.lines().first().startsWith(QStringLiteral("[CanvasStore] Refused to render")));
    }

    void pngDataKeepsEveryPixel()
    {
        const auto image = CanvasRendering::renderImage(
            { layerAt({ 50, 50 }, 60, 40, 30, quadrantPng(64)) }, QRectF(0, 0, 100, 100), 3.0);
        QVERIFY(image.has_value());
        const auto png = CanvasRendering::pngData(*image);
        QVERIFY(png.has_value());
        QVERIFY(png->startsWith("\x89PNG\r\n\x1a\n"));
        const QImage decoded = QImage::fromData(*png).convertToFormat(image->format());
        QCOMPARE(decoded, *image);
        QVERIFY(!CanvasRendering::pngData(QImage()).has_value());
    }
};

QTEST_GUILESS_MAIN(CanvasRenderingTest)
#include "CanvasRenderingTest.moc"
