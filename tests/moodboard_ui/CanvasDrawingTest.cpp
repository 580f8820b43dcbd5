// What the canvas repaints for a layer and what it draws. The viewport is the
// opening one: a 539 x 333 frame whose content starts 10.38 points in, with
// its centre at world (259.12, 156.12).
#include "moodboard_ui/CanvasViewport.h"
#include "moodboard_ui/LayerItemView.h"

#include <QtTest>

class CanvasDrawingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layerAreasCoverEveryTurnedCorner_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<LayerBox>("box");
        QTest::addColumn<QRectF>("expected"); // the corners' extent, one pixel wider all round
        QTest::newRow("upright") << 1.0 << QPointF() << LayerBox { { 100, 50 }, 80, 40, 0 }
                                 << QRectF(69.38, 39.38, 82, 42);
        QTest::newRow("quarter turn") << 1.0 << QPointF() << LayerBox { { 100, 50 }, 80, 40, 90 }
                                      << QRectF(89.38, 19.38, 42, 82);
        // Half the diagonal of a 20-point square: 14.142.
        QTest::newRow("eighth turn") << 1.0 << QPointF() << LayerBox { { 100, 100 }, 20, 20, 45 }
                                     << QRectF(95.238, 95.238, 30.284, 30.284);
        // At the content's centre, shifted by the offset and doubled about that centre.
        QTest::newRow("zoomed and panned")
            << 2.0 << QPointF(10, -5) << LayerBox { { 259.12, 156.12 }, 20, 10, 0 } << QRectF(268.5, 145.5, 42, 22);
        QTest::newRow("reaching past the frame") << 0.5 << QPointF() << LayerBox { { -200, 400 }, 300, 100, -30 }
                                                 << QRectF(-38.512, 228.289, 156.904, 120.301);
    }
    void layerAreasCoverEveryTurnedCorner()
    {
        QFETCH(double, scale);
        QFETCH(QPointF, offset);
        QFETCH(LayerBox, box);
        QFETCH(QRectF, expected);
        CanvasViewport viewport;
        viewport.scale = scale;
        viewport.offsetX = offset.x();
        viewport.offsetY = offset.y();
        const QRectF bounds = LayerItemView::viewBounds(viewport, box);
        for (const auto& [got, want] : { std::pair { bounds.left(), expected.left() }, { bounds.top(), expected.top() },
                 { bounds.width(), expected.width() }, { bounds.height(), expected.height() } })
            QVERIFY2(std::abs(got - want) < 1e-3, qPrintable(QStringLiteral("%1 for %2").arg(got).arg(want)));
    }
};

QTEST_MAIN(CanvasDrawingTest)
#include "CanvasDrawingTest.moc"
