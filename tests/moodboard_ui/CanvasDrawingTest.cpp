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
    // what shows must not change. Each row: the layers bottom to top, and
    // world points with the colour shown there.
    void layersShowWhereNothingOpaqueCoversThem()
    {
        const QColor red(255, 0, 0), blue(0, 0, 255), green(0, 160, 0);
        const std::pair<QList<SolidLayer>, QList<Probe>> cases[] = {
            { { { red, { 100, 100 }, { 100, 100 } }, { blue, { 100, 100 }, { 60, 60 } } },
                { { { 100, 100 }, blue }, { { 60, 100 }, red }, { { 100, 140 }, red } } },
            // Premultiplied blue at half strength over red: red keeps 127 of 255.
            { { { red, { 100, 100 }, { 100, 100 } }, { QColor(0, 0, 255, 128), { 100, 100 }, { 100, 100 } } },
                { { { 100, 100 }, QColor(127, 0, 128) } } },
            // An eighth turn leaves the corners of the square beneath uncovered.
            { { { red, { 100, 100 }, { 100, 100 } }, { blue, { 100, 100 }, { 100, 100 }, 45 } },
                { { { 56, 56 }, red }, { { 144, 144 }, red }, { { 100, 100 }, blue } } },
            // Partly under two layers.
            { { { red, { 100, 100 }, { 100, 100 } }, { blue, { 80, 100 }, { 60, 120 } },
                  { green, { 100, 80 }, { 120, 60 } } },
                { { { 130, 130 }, red }, { { 70, 130 }, blue }, { { 130, 70 }, green } } },
        };
        for (const auto& [layers, probes] : cases) {
            GalleryStore gallery { QString() };
            CanvasStore store { gallery, QString() };
            for (const SolidLayer& layer : layers) {
                // A layer is half its picture's pixel size.
                const QSize pixels = (layer.size * 2).toSize();
                QVERIFY(!store.addLayer(
                    QUuid::createUuid(), solidPng(pixels.width(), pixels.height(), layer.colour), layer.centre, false));
                if (layer.rotation != 0)
                    store.commitRotation(store.layers().last().id, layer.rotation);
            }
            MoodBoardViewState state(store);
            MoodBoardCanvasView canvas(m_theme, state, store, gallery);
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
                QVERIFY2(off <= 2,
                    qPrintable(QStringLiteral("%1 at (%2, %3)").arg(got.name()).arg(world.x()).arg(world.y())));
            }
        }
    }

private:
    Theme m_theme;
};

QTEST_MAIN(CanvasDrawingTest)
#include "CanvasDrawingTest.moc"
