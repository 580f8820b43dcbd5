#include "canvas/CanvasRendering.h"
#include "platform/Log.h"
#include "support/TestFiles.h"

#include <QPainter>

#include <QTest>

Q_DECLARE_METATYPE(QList<Layer>)

namespace {
// Red top-left, green top-right, blue bottom-left, white bottom-right: any
// turn or mirror moves the colours somewhere else.
QByteArray quadrantPng(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    QPainter painter(&image);
    const int half = side / 2;
    painter.fillRect(0, 0, half, half, Qt::red);
    painter.fillRect(half, 0, side - half, half, Qt::green);
    painter.fillRect(0, half, half, side - half, Qt::blue);
    painter.fillRect(half, half, side - half, side - half, Qt::white);
    painter.end();
    return pngOf(image);
}

Layer layerAt(QPointF centre, double width, double height, double rotation = 0, QByteArray bytes = {})
{
    Layer layer;
    layer.id = QUuid::createUuid();
    layer.imageData = bytes.isEmpty() ? solidPng(200, 100) : bytes;
    layer.position = centre;
    layer.width = width;
    layer.height = height;
    layer.rotation = rotation;
    return layer;
}

// One canvas point per pixel over (0, 0)-(100, 100).
QImage renderedSquare(const QList<Layer>& layers)
{
    const auto image = CanvasRendering::renderImage(layers, QRectF(0, 0, 100, 100), 1.0);
    return image.value_or(QImage());
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
        // Half the diagonal of a 10 x 10 square is 5 * sqrt(2).
        const double reach = 8 + 5 * M_SQRT2;
        QTest::newRow("eighth turn") << QList<Layer> { layerAt({ 0, 0 }, 10, 10, 45) }
                                     << QRectF(-reach, -reach, 2 * reach, 2 * reach);
        QTest::newRow("two layers") << QList<Layer> { layerAt({ 0, 0 }, 10, 10), layerAt({ 100, 50 }, 20, 20) }
                                    << QRectF(-13, -13, 131, 81);
        QTest::newRow("no layers") << QList<Layer> {} << QRectF();
        QTest::newRow("not a number") << QList<Layer> { layerAt({ 0, 0 }, qQNaN(), 10) } << QRectF();
    }

    void contentBounds()
    {
        QFETCH(QList<Layer>, layers);
        QFETCH(QRectF, expected);
        const auto bounds = CanvasRendering::contentBounds(layers);
        QCOMPARE(bounds.has_value(), !expected.isNull());
        QCOMPARE(bounds.value_or(QRectF()), expected);
    }

    void layerFillsItsRectangleAndNothingElse()
    {
        const auto image
            = CanvasRendering::renderImage({ layerAt({ 200, 100 }, 100, 50) }, QRectF(142, 67, 116, 66), 3.0);
        QVERIFY(image.has_value());
        QCOMPARE(image->size(), QSize(348, 198));
        // The layer covers canvas (150, 75)-(250, 125): pixels 24..323 by 24..173.
        for (const QPoint inside : { QPoint(24, 24), QPoint(323, 173) })
            QCOMPARE(image->pixelColor(inside), QColor(Qt::red));
        for (const QPoint outside : { QPoint(23, 24), QPoint(24, 23), QPoint(324, 173), QPoint(323, 174) })
            QCOMPARE(image->pixelColor(outside).alpha(), 0);
    }

    void mirroringComesBeforeTurning()
    {
        Layer layer = layerAt({ 50, 50 }, 100, 100, 90, quadrantPng(100));
        layer.flipHorizontal = true;
        // Mirrored first, red goes to the top right, then a quarter turn
        // clockwise takes it to the bottom right. Turning first and mirroring
        // after would leave red at the top left.
        const QImage image = renderedSquare({ layer });
        QCOMPARE(image.pixelColor(25, 25), QColor(Qt::white));
        QCOMPARE(image.pixelColor(75, 25), QColor(Qt::green));
        QCOMPARE(image.pixelColor(75, 75), QColor(Qt::red));

        layer.flipHorizontal = false;
        layer.flipVertical = true;
        layer.rotation = 0;
        QCOMPARE(renderedSquare({ layer }).pixelColor(25, 75), QColor(Qt::red));
    }

    void layersStackByZIndexThenListOrder()
    {
        Layer lowerButLast = layerAt({ 50, 50 }, 100, 100, 0, solidPng(10, 10, Qt::green));
        lowerButLast.zIndex = -1;
        Layer first = layerAt({ 50, 50 }, 100, 100, 0, solidPng(10, 10, Qt::red));
        Layer second = layerAt({ 50, 50 }, 100, 100, 0, solidPng(10, 10, Qt::blue));
        QCOMPARE(renderedSquare({ first, second, lowerButLast }).pixelColor(50, 50), QColor(Qt::blue));
        second.zIndex = -2;
        QCOMPARE(renderedSquare({ first, second, lowerButLast }).pixelColor(50, 50), QColor(Qt::red));
    }

    void undecodableLayerIsLeftOut()
    {
        const QImage image = renderedSquare(
            { layerAt({ 25, 50 }, 50, 100, 0, QByteArray("not a png")), layerAt({ 75, 50 }, 50, 100, 30) });
        QCOMPARE(image.pixelColor(10, 50).alpha(), 0);
        QCOMPARE(image.pixelColor(75, 50), QColor(Qt::red));
    }

    void renderRefusals_data()
    {
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<int>("loggedLines");
        QTest::newRow("zero width") << QRectF(0, 0, 0, 10) << 0;
        QTest::newRow("not a number") << QRectF(0, 0, qQNaN(), 10) << 0;
        // 2,796,203 points are 8,388,609 pixels: two beyond what the raster
        // engine draws, although only 25 megapixels.
        QTest::newRow("too wide to paint") << QRectF(0, 0, 2796203, 1) << 1;
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
        const auto png = CanvasRendering::pngData(*image);
        QVERIFY(png.has_value());
        QCOMPARE(QImage::fromData(*png).convertToFormat(image->format()), *image);
        QVERIFY(!CanvasRendering::pngData(QImage()).has_value());
    }
};

QTEST_GUILESS_MAIN(CanvasRenderingTest)
#include "CanvasRenderingTest.moc"
