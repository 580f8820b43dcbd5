#include "capture/ShapeRecognition.h"
#include "capture/SnapAnimation.h"

#include <QTest>

#include <cmath>
#include <numbers>
#include <optional>

using Points = QList<QPointF>;
using OptionalRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(OptionalRect)

namespace {
// A stroke tracing the closed polygon through `corners`, a point every `step`
// along each side, as the 2.5-point recording would give for a careful hand.
Points traced(const Points& corners, double step = 5)
{
    Points points;
    for (qsizetype i = 0; i < corners.size(); ++i) {
        const QPointF a = corners[i], b = corners[(i + 1) % corners.size()];
        const int steps = std::max(1, int(std::ceil(std::hypot(b.x() - a.x(), b.y() - a.y()) / step)));
        for (int k = 0; k < steps; ++k)
            points.append(a + (b - a) * (double(k) / steps));
    }
    return points;
}

Points rectangle(double x, double y, double w, double h)
{
    return traced({ { x, y }, { x + w, y }, { x + w, y + h }, { x, y + h } });
}

Points ellipse(QPointF centre, double rx, double ry, int count = 72)
{
    Points points;
    for (int k = 0; k < count; ++k) {
        const double angle = 2 * std::numbers::pi * k / count;
        points.append({ centre.x() + rx * std::cos(angle), centre.y() + ry * std::sin(angle) });
    }
    return points;
}

Points rotatedRectangle(QPointF centre, double w, double h, double degrees)
{
    const double a = degrees * std::numbers::pi / 180;
    Points corners;
    for (const QPointF c :
        { QPointF(-w / 2, -h / 2), QPointF(w / 2, -h / 2), QPointF(w / 2, h / 2), QPointF(-w / 2, h / 2) })
        corners.append(
            centre + QPointF(c.x() * std::cos(a) - c.y() * std::sin(a), c.x() * std::sin(a) + c.y() * std::cos(a)));
    return traced(corners);
}

bool closeRects(const QRectF& a, const QRectF& b, double tolerance = 1e-6)
{
    return std::abs(a.x() - b.x()) < tolerance && std::abs(a.y() - b.y()) < tolerance
        && std::abs(a.width() - b.width()) < tolerance && std::abs(a.height() - b.height()) < tolerance;
}

QByteArray describe(const OptionalRect& r)
{
    if (!r)
        return "no shape";
    return QByteArray::number(r->x()) + "," + QByteArray::number(r->y()) + " " + QByteArray::number(r->width()) + "x"
        + QByteArray::number(r->height());
}
} // namespace

class ShapeRecognitionTest : public QObject {
    Q_OBJECT

private slots:
    void recognisers_data()
    {
        QTest::addColumn<Points>("stroke");
        QTest::addColumn<OptionalRect>("rectangle");
        QTest::addColumn<OptionalRect>("ellipse");

        QTest::newRow("upright 300 x 200")
            << rectangle(100, 100, 300, 200) << OptionalRect(QRectF(100, 100, 300, 200)) << OptionalRect();
        // Sides within 1.15 of each other: the square of side 210 around the centre (200, 205).
        QTest::newRow("200 x 210 becomes a square")
            << rectangle(100, 100, 200, 210) << OptionalRect(QRectF(95, 100, 210, 210)) << OptionalRect();
        QTest::newRow("500 x 40 too thin") << rectangle(0, 0, 500, 40) << OptionalRect() << OptionalRect();
        QTest::newRow("500 x 60 thin enough")
            << rectangle(0, 0, 500, 60) << OptionalRect(QRectF(0, 0, 500, 60)) << OptionalRect();
        // A hand never draws a perfect diamond (whose moments point nowhere):
        // this one has sides 160 and about 123, tilted 45°, and measures
        // (160 + 123) / √2 = 200 across both ways.
        const double half = 100 * std::sqrt(2.0);
        QTest::newRow("diamond 200 across") << rotatedRectangle({ 100, 100 }, 160, 2 * half - 160, 45)
                                            << OptionalRect(QRectF(0, 0, 200, 200)) << OptionalRect();
        // Tilted 20°: the box around the corners, half-extents 150 cos 20° + 100 sin 20°
        // and 150 sin 20° + 100 cos 20°.
        const double c = std::cos(20 * std::numbers::pi / 180), s = std::sin(20 * std::numbers::pi / 180);
        const double hx = 150 * c + 100 * s, hy = 150 * s + 100 * c;
        QTest::newRow("tilted 300 x 200") << rotatedRectangle({ 500, 400 }, 300, 200, 20)
                                          << OptionalRect(QRectF(500 - hx, 400 - hy, 2 * hx, 2 * hy)) << OptionalRect();
        QTest::newRow("circle") << ellipse({ 300, 300 }, 100, 100) << OptionalRect()
                                << OptionalRect(QRectF(200, 200, 200, 200));
        QTest::newRow("flat ellipse") << ellipse({ 300, 300 }, 200, 50) << OptionalRect()
                                      << OptionalRect(QRectF(100, 250, 400, 100));
        QTest::newRow("L shape") << traced({ { 0, 0 }, { 200, 0 }, { 200, 50 }, { 50, 50 }, { 50, 200 }, { 0, 200 } })
                                 << OptionalRect() << OptionalRect();
        QTest::newRow("straight line") << traced({ { 0, 0 }, { 300, 0 } }) << OptionalRect() << OptionalRect();
        QTest::newRow("diagonal line") << traced({ { 0, 0 }, { 300, 300 } }) << OptionalRect() << OptionalRect();
    }
    void recognisers()
    {
        QFETCH(Points, stroke);
        QFETCH(OptionalRect, rectangle);
        QFETCH(OptionalRect, ellipse);

        const OptionalRect foundRectangle = ShapeRecognition::detectRectangle(stroke);
        QVERIFY2(foundRectangle.has_value() == rectangle.has_value(), describe(foundRectangle));
        if (rectangle)
            QVERIFY2(closeRects(*foundRectangle, *rectangle), describe(foundRectangle));
        // The ellipse test only runs when the rectangle test fails.
        if (!rectangle) {
            const OptionalRect foundEllipse = ShapeRecognition::detectEllipse(stroke);
            QVERIFY2(foundEllipse.has_value() == ellipse.has_value(), describe(foundEllipse));
            if (ellipse)
                QVERIFY2(closeRects(*foundEllipse, *ellipse), describe(foundEllipse));
        }
    }

    void areaOfTheClosedStroke()
    {
        QCOMPARE(ShapeRecognition::enclosedArea(Points { { 0, 0 }, { 4, 0 }, { 4, 3 } }), 6.0);
        // Orientation does not matter.
        QCOMPARE(ShapeRecognition::enclosedArea(Points { { 4, 3 }, { 4, 0 }, { 0, 0 } }), 6.0);
        QCOMPARE(ShapeRecognition::enclosedArea(
                     Points { { 0, 0 }, { 200, 0 }, { 200, 50 }, { 50, 50 }, { 50, 200 }, { 0, 200 } }),
            17500.0);
    }

    void closestPointOnRectBoundary_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("target");
        const QRectF wide(0, 0, 100, 50);
        QTest::newRow("below") << wide << QPointF(50, -10) << QPointF(50, 0);
        QTest::newRow("right") << wide << QPointF(110, 25) << QPointF(100, 25);
        QTest::newRow("above") << wide << QPointF(50, 60) << QPointF(50, 50);
        QTest::newRow("left") << wide << QPointF(-5, 25) << QPointF(0, 25);
        QTest::newRow("beyond a corner") << wide << QPointF(130, 90) << QPointF(100, 50);
        QTest::newRow("inside, nearest the left") << wide << QPointF(10, 25) << QPointF(0, 25);
        const QRectF square(0, 0, 100, 100);
        // Equally far from all four sides: the first edge examined, the bottom, wins.
        QTest::newRow("tie of four") << square << QPointF(50, 50) << QPointF(50, 0);
        // Right and top tie: right is examined first.
        QTest::newRow("tie right and top") << square << QPointF(90, 90) << QPointF(100, 90);
        // Top and left tie: top comes before left.
        QTest::newRow("tie top and left") << square << QPointF(10, 90) << QPointF(10, 100);
        // A zero-width rectangle: its bottom and top edges are single points.
        QTest::newRow("zero width") << QRectF(10, 0, 0, 50) << QPointF(20, 20) << QPointF(10, 20);
    }
    void closestPointOnRectBoundary()
    {
        QFETCH(QRectF, rect);
        QFETCH(QPointF, point);
        QFETCH(QPointF, target);
        QCOMPARE(ShapeRecognition::closestPointOnRectBoundary(rect, point), target);
    }

    void ellipseTarget_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("target");
        // Ellipse in (0, 0, 200, 100): centre (100, 50), semi-axes 100 and 50.
        QTest::newRow("far right") << QPointF(300, 50) << QPointF(200, 50);
        QTest::newRow("below the centre") << QPointF(100, 0) << QPointF(100, 0);
        QTest::newRow("left inside") << QPointF(20, 50) << QPointF(0, 50);
        // (25/100, 25/50)... normalised (0.5, 0.5): 45° in the normalised frame.
        QTest::newRow("diagonal") << QPointF(150, 75) << QPointF(100 + 100 / std::sqrt(2.0), 50 + 50 / std::sqrt(2.0));
    }
    void ellipseTarget()
    {
        QFETCH(QPointF, point);
        QFETCH(QPointF, target);
        QCOMPARE(ShapeRecognition::ellipseTarget(QRectF(0, 0, 200, 100), point), target);
    }

    void easing_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("eased");
        QTest::newRow("start") << 0.0 << 0.0;
        QTest::newRow("quarter") << 0.25 << 0.125;
        QTest::newRow("half") << 0.5 << 0.5;
        QTest::newRow("three quarters") << 0.75 << 0.875;
        QTest::newRow("end") << 1.0 << 1.0;
    }
    void easing()
    {
        QFETCH(double, t);
        QFETCH(double, eased);
        QCOMPARE(SnapAnimation::easeInOut(t), eased);
    }

    void progressIsClampedAtTheEnd()
    {
        QCOMPARE(SnapAnimation::progress(0.05), 0.25);
        QCOMPARE(SnapAnimation::progress(0.2), 1.0);
        QCOMPARE(SnapAnimation::progress(0.35), 1.0);
    }

    void snapFramesMoveEachPointTowardsItsTarget()
    {
        const QRectF rect(0, 0, 100, 50);
        const SnapAnimation rectangleSnap(
            SnapAnimation::SnapKind::rectangle, { { 50, -10 }, { 110, 25 }, { 50, 40 } }, rect);
        QCOMPARE(rectangleSnap.targets(), (Points { { 50, 0 }, { 100, 25 }, { 50, 50 } }));
        // At t = 0.25 the eased share is 0.125 of the way.
        QCOMPARE(rectangleSnap.framePoints(0.25), (Points { { 50, -8.75 }, { 108.75, 25 }, { 50, 41.25 } }));
        QCOMPARE(rectangleSnap.framePoints(1), rectangleSnap.targets());
        QCOMPARE(rectangleSnap.framePath(0.5).elementCount(), 4); // closed triangle
        QCOMPARE(rectangleSnap.rectangleCorners(), (Points { { 0, 0 }, { 100, 0 }, { 100, 50 }, { 0, 50 } }));
        QCOMPARE(rectangleSnap.finalOutline().boundingRect(), rect);

        const SnapAnimation ellipseSnap(SnapAnimation::SnapKind::ellipse, { { 300, 50 } }, QRectF(0, 0, 200, 100));
        QCOMPARE(ellipseSnap.framePoints(0.5), (Points { { 250, 50 } }));
        const QPainterPath outline = ellipseSnap.finalOutline();
        QVERIFY(closeRects(outline.boundingRect(), QRectF(0, 0, 200, 100), 1e-3));
        QVERIFY(outline.contains(QPointF(100, 50)));
        QVERIFY(!outline.contains(QPointF(5, 5))); // a corner of the box lies outside
    }
};

QTEST_GUILESS_MAIN(ShapeRecognitionTest)
#include "ShapeRecognitionTest.moc"
