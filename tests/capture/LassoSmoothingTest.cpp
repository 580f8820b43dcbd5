#include "capture/LassoSmoothing.h"
#include "capture/LassoStroke.h"

#include <QTest>

#include <cmath>

using Points = QList<QPointF>;

namespace {
bool samePoints(const Points& actual, const Points& expected)
{
    if (actual.size() != expected.size())
        return false;
    for (qsizetype i = 0; i < actual.size(); ++i)
        if (std::abs(actual[i].x() - expected[i].x()) > 1e-9 || std::abs(actual[i].y() - expected[i].y()) > 1e-9)
            return false;
    return true;
}

QByteArray describe(const Points& points)
{
    QByteArray text;
    for (const QPointF p : points)
        text += '(' + QByteArray::number(p.x()) + ',' + QByteArray::number(p.y()) + ") ";
    return text;
}
} // namespace

class LassoSmoothingTest : public QObject {
    Q_OBJECT

private slots:
    void strokeDropsStepsShorterThanTheMinimum_data()
    {
        QTest::addColumn<Points>("moves");
        QTest::addColumn<Points>("recorded");
        QTest::newRow("all steps too short") << Points { { 1, 0 }, { 2, 0 }, { 1, 1 } } << Points { { 0, 0 } };
        // 2.5 exactly is far enough; the distance is to the last kept point.
        QTest::newRow("exact minimum") << Points { { 2.5, 0 }, { 4, 0 }, { 5, 0 } }
                                       << Points { { 0, 0 }, { 2.5, 0 }, { 5, 0 } };
        QTest::newRow("diagonal") << Points { { 1.5, 1.5 }, { 2, 2 } } << Points { { 0, 0 }, { 2, 2 } };
    }
    void strokeDropsStepsShorterThanTheMinimum()
    {
        QFETCH(Points, moves);
        QFETCH(Points, recorded);
        LassoStroke stroke;
        stroke.begin({ 0, 0 });
        for (const QPointF p : moves)
            stroke.extend(p);
        QVERIFY2(samePoints(stroke.points(), recorded), describe(stroke.points()));
    }

    void resampleClosed_data()
    {
        QTest::addColumn<Points>("input");
        QTest::addColumn<double>("spacing");
        QTest::addColumn<Points>("expected");

        // Perimeter 120 = 8 × 15: a point every 15 along the sides, ending back
        // on the start after a full turn.
        QTest::newRow("square, whole spacings") << Points { { 0, 0 }, { 30, 0 }, { 30, 30 }, { 0, 30 } } << 15.0
                                                << Points { { 0, 0 }, { 15, 0 }, { 30, 0 }, { 30, 15 }, { 30, 30 },
                                                       { 15, 30 }, { 0, 30 }, { 0, 15 }, { 0, 0 } };
        QTest::newRow("repeated points are skipped")
            << Points { { 0, 0 }, { 0, 0 }, { 30, 0 }, { 30, 0.0005 }, { 30, 30 }, { 0, 30 } } << 15.0
            << Points { { 0, 0 }, { 15, 0 }, { 30, 0 }, { 30, 15 }, { 30, 30 }, { 15, 30 }, { 0, 30 }, { 0, 15 },
                   { 0, 0 } };
        // Arc positions 0, 25, 50, 75 on a loop of 80; 100 lies beyond it.
        QTest::newRow("spacing across corners") << Points { { 0, 0 }, { 20, 0 }, { 20, 20 }, { 0, 20 } } << 25.0
                                                << Points { { 0, 0 }, { 20, 5 }, { 10, 20 }, { 0, 5 } };
        QTest::newRow("loop shorter than the spacing")
            << Points { { 0, 0 }, { 3, 0 }, { 0, 4 } } << 15.0 << Points { { 0, 0 } };
        QTest::newRow("single point") << Points { { 7, 8 } } << 15.0 << Points { { 7, 8 } };
        QTest::newRow("no points") << Points {} << 15.0 << Points {};
    }
    void resampleClosed()
    {
        QFETCH(Points, input);
        QFETCH(double, spacing);
        QFETCH(Points, expected);
        const Points actual = LassoSmoothing::resampleClosed(input, spacing);
        QVERIFY2(samePoints(actual, expected), describe(actual));
    }

    void resamplingASparseStrokeGoesAllTheWayRound()
    {
        // Six far-apart points, as a quick flick of the mouse records them: a
        // 600 × 400 loop, perimeter 2000, so 2000 / 15 = 133.3 spacings.
        const Points sparse { { 0, 0 }, { 300, 0 }, { 600, 0 }, { 600, 400 }, { 300, 400 }, { 0, 400 } };
        const Points resampled = LassoSmoothing::resampleClosed(sparse, 15);
        QCOMPARE(resampled.size(), 134);
        // The 100th point is at arc length 1500: 600 + 400 + 500 along the top,
        // i.e. 100 in from the top-right corner.
        QCOMPARE(resampled[100], QPointF(100, 400));
        QCOMPARE(resampled.last(), QPointF(0, 5));
    }

    void resamplingIsBoundedWhateverTheInput_data()
    {
        QTest::addColumn<Points>("input");
        QTest::addColumn<double>("spacing");
        const Points triangle { { 0, 0 }, { 100, 0 }, { 0, 100 } };
        QTest::newRow("zero spacing") << triangle << 0.0;
        QTest::newRow("negative spacing") << triangle << -3.0;
        QTest::newRow("tiny spacing") << triangle << 1e-9;
        QTest::newRow("NaN spacing") << triangle << std::nan("");
        QTest::newRow("huge loop") << Points { { 0, 0 }, { 1e12, 0 }, { 0, 1e12 } } << 15.0;
    }
    void resamplingIsBoundedWhateverTheInput()
    {
        QFETCH(Points, input);
        QFETCH(double, spacing);
        const Points out = LassoSmoothing::resampleClosed(input, spacing);
        QVERIFY(out.size() >= 1);
        QVERIFY(out.size() <= LassoSmoothing::maximumResampledPoints);
    }

    void chaikinClosed_data()
    {
        QTest::addColumn<Points>("input");
        QTest::addColumn<int>("iterations");
        QTest::addColumn<Points>("expected");
        const Points triangle { { 0, 0 }, { 4, 0 }, { 0, 4 } };
        QTest::newRow("no pass") << triangle << 0 << triangle;
        QTest::newRow("one pass") << triangle << 1
                                  << Points { { 1, 0 }, { 3, 0 }, { 3, 1 }, { 1, 3 }, { 0, 3 }, { 0, 1 } };
        // Second pass over the first's output: quarter points of (1,0)-(3,0),
        // (3,0)-(3,1), (3,1)-(1,3), (1,3)-(0,3), (0,3)-(0,1), (0,1)-(1,0).
        QTest::newRow("two passes") << triangle << 2
                                    << Points { { 1.5, 0 }, { 2.5, 0 }, { 3, 0.25 }, { 3, 0.75 }, { 2.5, 1.5 },
                                           { 1.5, 2.5 }, { 0.75, 3 }, { 0.25, 3 }, { 0, 2.5 }, { 0, 1.5 },
                                           { 0.25, 0.75 }, { 0.75, 0.25 } };
        QTest::newRow("empty") << Points {} << 4 << Points {};
    }
    void chaikinClosed()
    {
        QFETCH(Points, input);
        QFETCH(int, iterations);
        QFETCH(Points, expected);
        const Points actual = LassoSmoothing::chaikinClosed(input, iterations);
        QVERIFY2(samePoints(actual, expected), describe(actual));
    }

    void chaikinFourPassesMultiplyBySixteen()
    {
        QCOMPARE(
            LassoSmoothing::chaikinClosed(Points { { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 }, { -5, 5 } }, 4).size(),
            80);
    }

    void smoothedPathOfFewPointsIsThePolygon_data()
    {
        QTest::addColumn<Points>("input");
        QTest::addColumn<Points>("elements");
        QTest::newRow("none") << Points {} << Points {};
        QTest::newRow("triangle") << Points { { 0, 0 }, { 10, 0 }, { 0, 10 } }
                                  << Points { { 0, 0 }, { 10, 0 }, { 0, 10 }, { 0, 0 } };
    }
    void smoothedPathOfFewPointsIsThePolygon()
    {
        QFETCH(Points, input);
        QFETCH(Points, elements);
        const QPainterPath path = LassoSmoothing::makeSmoothedPath(input, 15);
        Points actual;
        for (int i = 0; i < path.elementCount(); ++i) {
            QVERIFY(path.elementAt(i).type != QPainterPath::CurveToElement);
            actual.append(path.elementAt(i));
        }
        QVERIFY2(samePoints(actual, elements), describe(actual));
    }

    void smoothedPathRunsBetweenMidpointsOfTheCornerCutPolygon()
    {
        // Resampled at spacing 25: (0,0), (20,5), (10,20), (0,5). Four Chaikin
        // passes keep the first two points on the first edge, at fractions
        // 15/32 and 17/32 of it: (9.375, 2.34375) and (10.625, 2.65625).
        const QPainterPath path
            = LassoSmoothing::makeSmoothedPath(Points { { 0, 0 }, { 20, 0 }, { 20, 20 }, { 0, 20 } }, 25);
        QCOMPARE(path.elementCount(), 1 + 64 * 3);
        QCOMPARE(path.elementAt(0).type, QPainterPath::MoveToElement);
        QCOMPARE(QPointF(path.elementAt(0)), QPointF(10, 2.5)); // midpoint of the first two
        // The first curve: both control points on the second corner-cut point.
        QCOMPARE(path.elementAt(1).type, QPainterPath::CurveToElement);
        QCOMPARE(QPointF(path.elementAt(1)), QPointF(10.625, 2.65625));
        QCOMPARE(QPointF(path.elementAt(2)), QPointF(10.625, 2.65625));
        // The last curve ends where the path began.
        QCOMPARE(QPointF(path.elementAt(path.elementCount() - 1)), QPointF(10, 2.5));
    }

    void smoothedPathOfASparseStrokeEnclosesTheWholeLoop()
    {
        const Points sparse { { 0, 0 }, { 300, 0 }, { 600, 0 }, { 600, 400 }, { 300, 400 }, { 0, 400 } };
        QPainterPath path = LassoSmoothing::makeSmoothedPath(sparse, 15);
        path.setFillRule(Qt::WindingFill);
        // Corner cutting rounds the corners by a few points only.
        for (const QPointF inside :
            { QPointF(300, 200), QPointF(20, 20), QPointF(580, 20), QPointF(580, 380), QPointF(20, 380) })
            QVERIFY2(path.contains(inside), QByteArray::number(inside.x()) + "," + QByteArray::number(inside.y()));
        const QRectF box = path.boundingRect();
        QVERIFY(box.width() > 590 && box.width() <= 600);
        QVERIFY(box.height() > 390 && box.height() <= 400);
    }

    void liveStrokeIsACatmullRomSpline()
    {
        const QPainterPath path = LassoSmoothing::liveStrokePath(Points { { 0, 0 }, { 6, 0 }, { 6, 6 } });
        QCOMPARE(path.elementCount(), 1 + 2 * 3);
        // Segment 1: c1 = P0 + (P1 − P0)/6, c2 = P1 − (P2 − P0)/6.
        QCOMPARE(QPointF(path.elementAt(1)), QPointF(1, 0));
        QCOMPARE(QPointF(path.elementAt(2)), QPointF(5, -1));
        QCOMPARE(QPointF(path.elementAt(3)), QPointF(6, 0));
        // Segment 2: c1 = P1 + (P2 − P0)/6, c2 = P2 − (P2 − P1)/6 (the end repeats).
        QCOMPARE(QPointF(path.elementAt(4)), QPointF(7, 1));
        QCOMPARE(QPointF(path.elementAt(5)), QPointF(6, 5));
        QCOMPARE(QPointF(path.elementAt(6)), QPointF(6, 6));
    }
};

QTEST_GUILESS_MAIN(LassoSmoothingTest)
#include "LassoSmoothingTest.moc"
