// What the canvas repaints for a layer and what it draws. The viewport is the
// opening one: a 539 x 333 frame whose content starts 10.38 points in, with
// its centre at world (259.12, 156.12).
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "moodboard_ui/CanvasViewport.h"
#include "moodboard_ui/LayerItemView.h"
#include "moodboard_ui/MoodBoardCanvasView.h"
#include "moodboard_ui/MoodBoardViewState.h"
#include "support/TestFiles.h"
#include "ui/Theme.h"

#include <QtTest>

namespace {
struct SolidLayer {
    QColor colour; // its alpha is the picture's
    QPointF centre;
    QSizeF size;
    double rotation = 0;
};
using Probe = std::pair<QPointF, QColor>; // a world point and the colour shown there

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// Waits until `canvas` has not painted for longer than the wheel's rest and a
// frame; gives how many times it painted.
int settle(QWidget& canvas)
{
    PaintCounter counter;
    canvas.installEventFilter(&counter);
    for (int seen = -1; seen != counter.paints;) {
        seen = counter.paints;
        QTest::qWait(400);
    }
    return counter.paints;
}

// What is on the screen, without painting again.
QImage onScreen(QWidget& canvas)
{
    return canvas.screen()->grabWindow(canvas.winId()).toImage();
}
} // namespace

class CanvasDrawingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layerAreasCoverEveryTurnedCorner()
    {
        // Zoom, offset, the layer, and its corners' extent one pixel wider all round.
        const std::tuple<double, QPointF, LayerBox, QRectF> cases[] = {
            { 1, {}, { { 100, 50 }, 80, 40, 0 }, { 69.38, 39.38, 82, 42 } },
            { 1, {}, { { 100, 50 }, 80, 40, 90 }, { 89.38, 19.38, 42, 82 } },
            // An eighth turn: half the diagonal of a 20-point square is 14.142.
            { 1, {}, { { 100, 100 }, 20, 20, 45 }, { 95.238, 95.238, 30.284, 30.284 } },
            // At the content's centre, shifted by the offset and doubled about that centre.
            { 2, { 10, -5 }, { { 259.12, 156.12 }, 20, 10, 0 }, { 268.5, 145.5, 42, 22 } },
            // Reaching past the frame.
            { 0.5, {}, { { -200, 400 }, 300, 100, -30 }, { -38.512, 228.289, 156.904, 120.301 } },
        };
        const auto r3 = [](double v) { return std::round(v * 1000) / 1000; };
        for (const auto& [scale, offset, box, expected] : cases) {
            const QRectF bounds = LayerItemView::viewBounds(
                { CanvasViewport::baseWidth, CanvasViewport::baseHeight, offset.x(), offset.y(), scale }, box);
            QCOMPARE(QRectF(r3(bounds.x()), r3(bounds.y()), r3(bounds.width()), r3(bounds.height())), expected);
        }
    }

    // Layers hidden under opaque upright layers are left out of the drawing;
    // what shows must not change.
    void layersShowWhereNothingOpaqueCoversThem_data()
    {
        QTest::addColumn<QList<SolidLayer>>("layers"); // bottom to top
        QTest::addColumn<QList<Probe>>("probes");
        const QColor red(255, 0, 0), blue(0, 0, 255), green(0, 160, 0);
        QTest::newRow("under an opaque layer")
            << QList<SolidLayer> { { red, { 100, 100 }, { 100, 100 } }, { blue, { 100, 100 }, { 60, 60 } } }
            << QList<Probe> { { { 100, 100 }, blue }, { { 60, 100 }, red }, { { 100, 140 }, red } };
        // Premultiplied blue at half strength over red: red keeps 127 of 255.
        QTest::newRow("under a translucent layer") << QList<SolidLayer> { { red, { 100, 100 }, { 100, 100 } },
            { QColor(0, 0, 255, 128), { 100, 100 }, { 100, 100 } } }
                                                   << QList<Probe> { { { 100, 100 }, QColor(127, 0, 128) } };
        // An eighth turn leaves the corners of the square beneath uncovered.
        QTest::newRow("under a turned layer")
            << QList<SolidLayer> { { red, { 100, 100 }, { 100, 100 } }, { blue, { 100, 100 }, { 100, 100 }, 45 } }
            << QList<Probe> { { { 56, 56 }, red }, { { 144, 144 }, red }, { { 100, 100 }, blue } };
        QTest::newRow("partly under two layers") << QList<SolidLayer> {
            { red, { 100, 100 }, { 100, 100 } }, { blue, { 80, 100 }, { 60, 120 } }, { green, { 100, 80 }, { 120, 60 } }
        } << QList<Probe> { { { 130, 130 }, red }, { { 70, 130 }, blue }, { { 130, 70 }, green } };
    }
    void layersShowWhereNothingOpaqueCoversThem()
    {
        QFETCH(QList<SolidLayer>, layers);
        QFETCH(QList<Probe>, probes);
        GalleryStore gallery { QString() };
        CanvasStore store { gallery, QString() };
        Theme theme;
        for (const SolidLayer& layer : layers) {
            // A layer is half its picture's pixel size.
            const QSize pixels = (layer.size * 2).toSize();
            QVERIFY(!store.addLayer(
                QUuid::createUuid(), solidPng(pixels.width(), pixels.height(), layer.colour), layer.centre, false));
            if (layer.rotation != 0)
                store.commitRotation(store.layers().last().id, layer.rotation);
        }
        MoodBoardViewState state(store);
        MoodBoardCanvasView canvas(theme, state, store, gallery);
        QSignalSpy decoded(&canvas, &MoodBoardCanvasView::layersDecoded);
        canvas.setCardSize({ CanvasViewport::baseWidth, CanvasViewport::baseHeight });
        canvas.show();
        QVERIFY(decoded.wait(5000));
        (void)canvas.grab(); // makes the copies, whose opacity the next paint uses
        const QImage shown = canvas.grab().toImage();
        for (const auto& [world, colour] : probes) {
            const QColor got = shown.pixelColor(canvas.viewport().viewFromWorld(world).toPoint());
            const int off = std::max({ std::abs(got.red() - colour.red()), std::abs(got.green() - colour.green()),
                std::abs(got.blue() - colour.blue()) });
            QVERIFY2(
                off <= 2, qPrintable(QStringLiteral("%1 at (%2, %3)").arg(got.name()).arg(world.x()).arg(world.y())));
        }
    }

    // After a zoom the layers are drawn stretched until the wheel rests, then
    // their copies are remade, a few per frame on a full board. Once the
    // canvas stops repainting it must show what a canvas opened at that zoom
    // shows.
    void aSettledZoomLooksLikeTheBoardOpenedAtThatZoom()
    {
        GalleryStore gallery { QString() };
        CanvasStore store { gallery, QString() };
        Theme theme;
        // Noise, so that a stretched copy differs from a remade one almost everywhere.
        QImage noise(1000, 800, QImage::Format_RGB32);
        quint32 random = 1;
        for (int y = 0; y < noise.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
            for (int x = 0; x < noise.width(); ++x)
                line[x] = (random = random * 1664525u + 1013904223u) >> 8;
        }
        const QByteArray png = pngOf(noise);
        // Far more remaking than one frame allows: each layer shows a strip
        // along its top and left edges.
        for (int i = 0; i < 40; ++i)
            QVERIFY(!store.addLayer(QUuid::createUuid(), png, QPointF(120 + i % 8 * 50, 90 + i / 8 * 45), false));
        const auto open = [&](MoodBoardViewState& state) {
            auto canvas = std::make_unique<MoodBoardCanvasView>(theme, state, store, gallery);
            QSignalSpy decoded(canvas.get(), &MoodBoardCanvasView::layersDecoded);
            canvas->setCardSize({ CanvasViewport::baseWidth, CanvasViewport::baseHeight });
            canvas->show();
            return decoded.wait(20000) ? std::move(canvas) : nullptr;
        };
        MoodBoardViewState zoomedState(store);
        const std::unique_ptr<MoodBoardCanvasView> zoomed = open(zoomedState);
        QVERIFY(zoomed);
        zoomed->repaint(); // copies for 100 %
        zoomedState.setCanvasScale(0.7);
        QVERIFY(settle(*zoomed) >= 2); // stretched, then remade

        MoodBoardViewState freshState(store);
        freshState.setCanvasScale(0.7);
        const std::unique_ptr<MoodBoardCanvasView> fresh = open(freshState);
        QVERIFY(fresh);
        settle(*fresh);
        QCOMPARE(onScreen(*zoomed), onScreen(*fresh));
    }
};

QTEST_MAIN(CanvasDrawingTest)
#include "CanvasDrawingTest.moc"
