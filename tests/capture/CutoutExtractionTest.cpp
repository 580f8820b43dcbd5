#include "capture/CutoutExtraction.h"
#include "capture/LassoSmoothing.h"

#include <QTest>

#include <cmath>
#include <numbers>

using Outcome = CutoutResult::Outcome;

namespace {
// A screen of 400 × 300 points at scale 2, every pixel a different colour, so
// a wrong offset or a flipped row cannot go unnoticed.
QImage patternScreen(int width = 800, int height = 600)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
    return image;
}

QPainterPath polygon(const QList<QPointF>& points)
{
    return LassoSmoothing::closedPolygonPath(points);
}
} // namespace

class CutoutExtractionTest : public QObject {
    Q_OBJECT

private slots:
    void rectangularLassoCopiesTheBoxExactly()
    {
        // Points (y up) (10, 20)–(110.5, 70) on a 300-point-high screen: pixels
        // x 20..220 and, flipped, y (300 − 70)·2 = 460 .. 559.
        const QImage screen = patternScreen();
        const CutoutResult result = CutoutExtraction::extract(
            screen, polygon({ { 10, 20 }, { 110.5, 20 }, { 110.5, 70 }, { 10, 70 } }), 2.0, 300);
        QCOMPARE(result.outcome, Outcome::extracted);
        QCOMPARE(result.box, QRectF(10, 20, 100.5, 50));
        QCOMPARE(result.image.size(), QSize(201, 100));
        QCOMPARE(result.image.deviceIndependentSize(), QSizeF(100.5, 50));
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 201; ++x)
                QCOMPARE(result.image.pixel(x, y), screen.pixel(20 + x, 460 + y));
    }

    void outsideTheLassoIsTransparentInsideIsTheScreen()
    {
        // A diamond in the box (100, 100)–(200, 200) points at scale 2, screen
        // 300 points high: box pixels x 200.., y (300 − 200)·2 = 200...
        const QImage screen = patternScreen();
        const CutoutResult result = CutoutExtraction::extract(
            screen, polygon({ { 150, 100 }, { 200, 150 }, { 150, 200 }, { 100, 150 } }), 2.0, 300);
        QCOMPARE(result.outcome, Outcome::extracted);
        QCOMPARE(result.image.size(), QSize(200, 200));
        int partial = 0;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                // Distance from the diamond's edge in pixels: |dx| + |dy| = 100 on it.
                const double centreOffset = std::abs(x + 0.5 - 100) + std::abs(y + 0.5 - 100);
                const QRgb pixel = result.image.pixel(x, y);
                if (centreOffset < 98)
                    QCOMPARE(pixel, screen.pixel(200 + x, 200 + y));
                else if (centreOffset > 102)
                    QCOMPARE(qAlpha(pixel), 0);
                else if (qAlpha(pixel) > 0 && qAlpha(pixel) < 255)
                    ++partial;
            }
        }
        QVERIFY2(partial > 100, "the edge is anti-aliased");
    }

    void overlappingLoopsKeepEveryEnclosedPart()
    {
        // A five-pointed star drawn in one stroke crosses itself; its centre is
        // enclosed twice and stays in the cut-out (non-zero winding).
        QList<QPointF> star;
        for (int k = 0; k < 5; ++k) {
            const double angle = std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
            star.append({ 150 + 50 * std::cos(angle), 150 + 50 * std::sin(angle) });
        }
        const QImage screen = patternScreen();
        const CutoutResult result = CutoutExtraction::extract(screen, polygon(star), 1.0, 300);
        QCOMPARE(result.outcome, Outcome::extracted);
        const QPointF centre = QPointF(150, 150) - result.box.topLeft(); // y flip: box is symmetric enough
        const QPoint pixel(int(centre.x()), int(result.box.bottom() - 150));
        QCOMPARE(qAlpha(result.image.pixel(pixel)), 255);
    }

    void degenerateOrMisplacedLassos_data()
    {
        QTest::addColumn<QPainterPath>("lasso");
        QTest::addColumn<int>("outcome");
        QTest::newRow("zero height") << polygon({ { 10, 50 }, { 60, 50 }, { 120, 50 }, { 30, 50 } })
                                     << int(Outcome::emptyBox);
        QTest::newRow("zero width") << polygon({ { 10, 10 }, { 10, 50 }, { 10, 90 } }) << int(Outcome::emptyBox);
        QTest::newRow("no path") << QPainterPath() << int(Outcome::emptyBox);
        QTest::newRow("off the screen") << polygon({ { 500, 10 }, { 600, 10 }, { 600, 60 } })
                                        << int(Outcome::croppingFailed);
        QTest::newRow("below the screen")
            << polygon({ { 10, -90 }, { 60, -90 }, { 60, -20 } }) << int(Outcome::croppingFailed);
        // 0.3 points at scale 2 is not one whole pixel.
        QTest::newRow("thinner than a pixel")
            << polygon({ { 10, 10 }, { 10.3, 10 }, { 10.3, 80 } }) << int(Outcome::noBitmap);
    }
    void degenerateOrMisplacedLassos()
    {
        QFETCH(QPainterPath, lasso);
        QFETCH(int, outcome);
        const CutoutResult result = CutoutExtraction::extract(patternScreen(), lasso, 2.0, 300);
        QCOMPARE(int(result.outcome), outcome);
        QVERIFY(result.image.isNull());
    }

    void aBoxReachingPastTheScreenKeepsItsScale()
    {
        // Points x 380..420 on a 400-point-wide screen: the right half is off-screen.
        const QImage screen = patternScreen();
        const CutoutResult result = CutoutExtraction::extract(
            screen, polygon({ { 380, 100 }, { 420, 100 }, { 420, 140 }, { 380, 140 } }), 2.0, 300);
        QCOMPARE(result.outcome, Outcome::extracted);
        QCOMPARE(result.image.size(), QSize(80, 80));
        // Rows from (300 − 140)·2 = 320; columns from 760.
        QCOMPARE(result.image.pixel(10, 5), screen.pixel(770, 325));
        QCOMPARE(result.image.pixel(39, 79), screen.pixel(799, 399));
        QCOMPARE(qAlpha(result.image.pixel(40, 5)), 0);
        QCOMPARE(qAlpha(result.image.pixel(79, 79)), 0);
    }

    void boxIncludesCurveControlPoints()
    {
        QPainterPath curve;
        curve.moveTo(0, 0);
        curve.cubicTo(50, 100, 100, 100, 150, 0);
        QCOMPARE(CutoutExtraction::lassoBox(curve), QRectF(0, 0, 150, 100));
    }
};

QTEST_GUILESS_MAIN(CutoutExtractionTest)
#include "CutoutExtractionTest.moc"
