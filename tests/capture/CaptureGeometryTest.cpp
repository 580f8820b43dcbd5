#include "capture/CutoutExtraction.h"
#include "capture/LassoSmoothing.h"
#include "capture/LassoStroke.h"
#include "capture/ScreenLayout.h"
#include "capture/ShapeRecognition.h"
#include "capture/SnapAnimation.h"

#include "CaptureShapes.h"
#include "support/CapturePattern.h"

#include <QTest>

#include <cmath>
#include <numbers>
#include <optional>

using Points = QList<QPointF>;
using OptionalRect = std::optional<QRectF>;

namespace {
// A rectangle as whole multiples of `unit`, so values within half a unit compare equal.
QString describe(const OptionalRect& r, double unit = 1e-6)
{
    if (!r)
        return QStringLiteral("none");
    const auto n = [&](double v) { return QString::number(qRound64(v / unit)); };
    return n(r->x()) + u',' + n(r->y()) + u' ' + n(r->width()) + u'x' + n(r->height());
}

} // namespace

class CaptureGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void strokeKeepsMinimumStepsAndIsResampledEvenly()
    {
        // Steps of at least 2.5 from the last kept point.
        LassoStroke stroke;
        stroke.begin({ 0, 0 });
        for (const QPointF p : { QPointF(2.5, 0), QPointF(4, 0), QPointF(5, 0), QPointF(6, 1) })
            stroke.extend(p);
        QCOMPARE(stroke.points(), (Points { { 0, 0 }, { 2.5, 0 }, { 5, 0 } }));

        // Perimeter 120 = 8 × 15: a point every 15, ending back on the start;
        // repeated points are skipped.
        QCOMPARE(LassoSmoothing::resampleClosed(
                     { { 0, 0 }, { 0, 0 }, { 30, 0 }, { 30, 0.0005 }, { 30, 30 }, { 0, 30 } }, 15),
            (Points {
                { 0, 0 }, { 15, 0 }, { 30, 0 }, { 30, 15 }, { 30, 30 }, { 15, 30 }, { 0, 30 }, { 0, 15 }, { 0, 0 } }));

        // Six far-apart points as a quick flick records them: a 600 × 400 loop,
        // perimeter 2000, so 2000 / 15 = 133.3 spacings, all the way round.
        const Points sparse { { 0, 0 }, { 300, 0 }, { 600, 0 }, { 600, 400 }, { 300, 400 }, { 0, 400 } };
        const Points resampled = LassoSmoothing::resampleClosed(sparse, 15);
        QCOMPARE(resampled.size(), 134);
        QCOMPARE(resampled.last(), QPointF(0, 5));

        // Corner cutting rounds the corners by a few points only.
        const QRectF box = LassoSmoothing::makeSmoothedPath(sparse, 15).boundingRect();
        QVERIFY(box.width() > 590 && box.width() <= 600 && box.height() > 390 && box.height() <= 400);
        // However long the loop, the count stays bounded.
        QCOMPARE(LassoSmoothing::resampleClosed({ { 0, 0 }, { 1e12, 0 }, { 0, 1e12 } }, 15).size(),
            LassoSmoothing::maximumResampledPoints);
    }

    void recognisers()
    {
        const auto rectangle = [](double w, double h) { return traced({ { 0, 0 }, { w, 0 }, { w, h }, { 0, h } }); };
        // A hand never draws a perfect diamond (whose moments point nowhere):
        // this one is a 160 × 123 rectangle turned 45°, half-sides a and b with
        // (a + b) / √2 = 100, so it measures 200 across both ways.
        const double a = 80, b = 100 * std::sqrt(2.0) - 80;
        const auto turned = [](double x, double y) {
            return QPointF(100 + (x - y) / std::sqrt(2.0), 100 + (x + y) / std::sqrt(2.0));
        };
        const struct {
            const char* name;
            Points stroke;
            OptionalRect rectangle, ellipse;
        } rows[] = {
            { "upright 300 x 200", rectangle(300, 200), QRectF(0, 0, 300, 200), {} },
            // Sides within 1.15 of each other: the square of side 210 around the centre (100, 105).
            { "200 x 210 becomes a square", rectangle(200, 210), QRectF(-5, 0, 210, 210), {} },
            { "500 x 40 too thin", rectangle(500, 40), {}, {} },
            { "500 x 60 thin enough", rectangle(500, 60), QRectF(0, 0, 500, 60), {} },
            { "diamond 200 across", traced({ turned(-a, -b), turned(a, -b), turned(a, b), turned(-a, b) }),
                QRectF(0, 0, 200, 200), {} },
            { "circle", ellipse(100, 100), {}, QRectF(200, 200, 200, 200) },
            { "flat ellipse", ellipse(200, 50), {}, QRectF(100, 250, 400, 100) },
            { "L shape", traced({ { 0, 0 }, { 200, 0 }, { 200, 50 }, { 50, 50 }, { 50, 200 }, { 0, 200 } }), {}, {} },
            { "diagonal line", traced({ { 0, 0 }, { 300, 300 } }), {}, {} },
        };
        for (const auto& row : rows) {
            // The ellipse test only runs when the rectangle test fails.
            const OptionalRect found = ShapeRecognition::detectRectangle(row.stroke);
            const OptionalRect ellipse = found ? OptionalRect() : ShapeRecognition::detectEllipse(row.stroke);
            QCOMPARE(row.name + (": " + describe(found)) + " / " + describe(ellipse),
                row.name + (": " + describe(row.rectangle)) + " / " + describe(row.ellipse));
        }
    }

    // The snap ends on the ideal outline, whatever points it glided from. (The
    // points' way there is a 0.2 s animation, seen and gone.)
    void snapEndsOnTheIdealOutline()
    {
        const QRectF wide(0, 0, 100, 50);
        const SnapAnimation rectangleSnap(
            SnapAnimation::SnapKind::rectangle, { { 50, -10 }, { 110, 25 }, { 50, 40 } }, wide);
        QCOMPARE(rectangleSnap.finalOutline().boundingRect(), wide);
        const SnapAnimation ellipseSnap(SnapAnimation::SnapKind::ellipse, { { 300, 50 } }, QRectF(0, 0, 200, 100));
        const QPainterPath outline = ellipseSnap.finalOutline();
        QCOMPARE(describe(outline.boundingRect(), 1e-3), describe(QRectF(0, 0, 200, 100), 1e-3));
        QVERIFY(outline.contains(QPointF(100, 50)) && !outline.contains(QPointF(5, 5))); // not the box's corner
    }

    void maskKeepsTheScreenInsideAndIsTransparentOutside()
    {
        // A diamond spanning the box (10, 20)–(110.5, 70) in points (y up) on a
        // screen 300 points high at scale 2: pixels x 20..220 and, flipped, rows
        // (300 − 70)·2 = 460 .. 559.
        const QImage screen = patternScreen();
        const CutoutResult result = CutoutExtraction::extract(
            screen, polygon({ { 60.25, 20 }, { 110.5, 45 }, { 60.25, 70 }, { 10, 45 } }), 2.0, 300);
        QCOMPARE(result.box, QRectF(10, 20, 100.5, 50));
        QCOMPARE(result.image.size(), QSize(201, 100));
        QCOMPARE(result.image.deviceIndependentSize(), QSizeF(100.5, 50));
        int partial = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 201; ++x) {
                // In pixels the diamond has its centre at (100.5, 50) and half-widths
                // 100.5 and 50; 0.05 of this measure is about 2 pixels.
                const double edge = std::abs(x + 0.5 - 100.5) / 100.5 + std::abs(y + 0.5 - 50) / 50;
                const QRgb pixel = result.image.pixel(x, y);
                if (edge < 0.95)
                    QCOMPARE(pixel, screen.pixel(20 + x, 460 + y));
                else if (edge > 1.05)
                    QCOMPARE(qAlpha(pixel), 0);
                else
                    partial += qAlpha(pixel) > 0 && qAlpha(pixel) < 255;
            }
        }
        QVERIFY2(partial > 100, "the edge is anti-aliased");

        // A five-pointed star drawn in one stroke: its centre, enclosed twice,
        // stays in the cut-out (non-zero winding).
        Points star;
        for (int k = 0; k < 5; ++k) {
            const double angle = std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
            star.append({ 150 + 50 * std::cos(angle), 150 + 50 * std::sin(angle) });
        }
        const CutoutResult cut = CutoutExtraction::extract(screen, polygon(star), 1.0, 300);
        QCOMPARE(qAlpha(cut.image.pixel(int(150 - cut.box.left()), int(cut.box.bottom() - 150))), 255);
    }

    // Two screens side by side, the second at a ratio of 2 as Qt reports it:
    // its top-left corner where the server has it, its size halved.
    void screenUnderThePointerAndItsPixelsInTheLayout()
    {
        const QList<ScreenArea> screens { { QRect(0, 0, 1024, 768), 1.0 }, { QRect(1024, 0, 640, 384), 2.0 } };
        // The pointer, the primary screen and the screen chosen; below the second screen's
        // points, or off every screen (the last two), the primary one.
        const std::tuple<QPoint, int, int> choices[] = { { { 0, 0 }, 0, 0 }, { { 1023, 767 }, 1, 0 },
            { { 1024, 0 }, 0, 1 }, { { 1663, 383 }, 0, 1 }, { { 1300, 500 }, 0, 0 }, { { -5, 10 }, 1, 1 } };
        for (const auto& [pointer, primary, expected] : choices)
            QCOMPARE(QList<int>({ pointer.x(), pointer.y(), ScreenLayout::screenAt(screens, pointer, primary) }),
                QList<int>({ pointer.x(), pointer.y(), expected }));
        QCOMPARE(ScreenLayout::nativeRect(screens[1]), QRect(1024, 0, 1280, 768));

        // The portal's picture of the whole layout, 2304 x 768 pixels; the same
        // drawn by a desktop at twice the density, every pixel a 2 x 2 block.
        const QImage layout = CapturePattern::image(2304, 768);
        const QImage dense = layout.scaled(layout.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const struct {
            const char* name;
            QImage picture;
            int screen;
            QRect expected; // of `layout`; empty: no picture
        } cuts[] = {
            { "first screen", layout, 0, QRect(0, 0, 1024, 768) },
            { "second screen, at its ratio", layout, 1, QRect(1024, 0, 1280, 768) },
            { "denser picture, brought to the screen's pixels", dense, 1, QRect(1024, 0, 1280, 768) },
            { "not this layout's proportions", layout.copy(0, 0, 2304, 700), 0, QRect() },
            { "no such screen", layout, 2, QRect() },
        };
        for (const auto& cut : cuts) {
            const QImage pixels = ScreenLayout::screenPixels(cut.picture, screens, cut.screen);
            QVERIFY2(pixels.isNull() == cut.expected.isEmpty(), cut.name);
            if (pixels.isNull())
                continue;
            QVERIFY2(pixels.devicePixelRatio() == screens[cut.screen].devicePixelRatio, cut.name);
            QVERIFY2(pixels.convertToFormat(QImage::Format_RGB32) == layout.copy(cut.expected), cut.name);
        }
    }
};

QTEST_GUILESS_MAIN(CaptureGeometryTest)
#include "CaptureGeometryTest.moc"
