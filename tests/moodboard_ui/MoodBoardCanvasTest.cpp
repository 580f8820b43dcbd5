// The board's canvas: viewport, scrollbar and handle arithmetic worked out by
// hand for a card 836 x 487 (frame 616 x 378, content 595.24 x 357.24, content
// centre at frame point (308, 189)), then gestures and drops on the widget.
#include "canvas/CanvasStore.h"
#include "gallery/GalleryDrop.h"
#include "gallery/GalleryStore.h"
#include "moodboard_ui/CanvasViewport.h"
#include "moodboard_ui/LayerGeometry.h"
#include "moodboard_ui/MoodBoardCanvasView.h"
#include "moodboard_ui/MoodBoardViewState.h"
#include "platform/Log.h"
#include "support/TestFiles.h"
#include "ui/Theme.h"

#include <QMimeData>
#include <QtTest>

#include <cmath>

using namespace CanvasScrollbars;
using namespace LayerGeometry;

// A real store in memory and the canvas over it, with one 100 x 50 layer at the content centre.
struct Board {
    GalleryStore gallery { QString() };
    CanvasStore canvas { gallery, QString() };
    Theme theme;
    MoodBoardViewState state { canvas };
    MoodBoardCanvasView view { theme, state, canvas, gallery };
    Board()
    {
        view.setCardSize({ 836, 487 });
        (void)canvas.addLayer(QUuid::createUuid(), solidPng(200, 100), { 297.62, 178.62 }, false);
    }
    [[nodiscard]] const Layer& layer() const { return canvas.layers().first(); }
};

class MoodBoardCanvasTest : public QObject {
    Q_OBJECT

    static double r3(double v) { return std::round(v * 1000) / 1000; }
    static QPointF r3(QPointF p) { return { r3(p.x()), r3(p.y()) }; }
    static CanvasViewport card(double s = 1, double ox = 0, double oy = 0) { return { 836, 487, ox, oy, s }; }
    static void compareBox(const LayerBox& actual, const LayerBox& expected)
    {
        QCOMPARE(r3(actual.centre), expected.centre);
        QCOMPARE(r3(QPointF(actual.width, actual.height)), QPointF(expected.width, expected.height));
        QCOMPARE(r3(actual.rotation), expected.rotation);
    }

private Q_SLOTS:
    void viewportGeometry()
    {
        const CanvasViewport v = card();
        QCOMPARE(v.frameInCard(), QRectF(172, 61, 616, 378));
        QCOMPARE(r3(QPointF(v.contentSize().width(), v.contentSize().height())), QPointF(595.24, 357.24));
        // Scale, offset, a world point and where it shows, and the drop origin.
        const std::tuple<double, QPointF, QPointF, QPointF, QPointF> cases[] = {
            { 1, {}, { 297.62, 178.62 }, { 308, 189 }, { 297.62, 178.62 } },
            { 2, {}, { 322.62, 178.62 }, { 358, 189 }, { 297.62, 178.62 } },
            { 1, { 100, 50 }, { 0, 0 }, { 110.38, 60.38 }, { 197.62, 128.62 } },
            { 0.5, { 40, -20 }, { 97.62, 278.62 }, { 228, 229 }, { 257.62, 198.62 } },
            { 2, { 30, -40 }, { 0, 0 }, { -227.24, -248.24 }, { 267.62, 218.62 } },
        };
        for (const auto& [scale, offset, world, view, dropOrigin] : cases) {
            const CanvasViewport v = card(scale, offset.x(), offset.y());
            QCOMPARE(r3(v.viewFromWorld(world)), view);
            QCOMPARE(r3(v.worldFromView(view)), world);
            QCOMPARE(r3(v.dropOrigin()), dropOrigin);
        }
    }

    void scrollbarsThumbAndReadout()
    {
        const double fractions[][3] = { { 357.24, 357.24, 0 }, { -357.24, 357.24, 1 }, { 0, 100, 0.5 },
            { 50, 100, 0.25 }, { 500, 100, 0 }, { -500, 100, 1 }, { 10, 0, 0.5 }, { 10, -5, 0.5 } };
        for (const auto& [offset, range, fraction] : fractions)
            QCOMPARE(thumbFraction(offset, range), fraction);

        // Up clicks: 17 reach 340, the 18th stops at the range and later ones stay there.
        const QSizeF frame(616, 378);
        const double rangeY = range(Axis::vertical, card());
        double offset = 0;
        for (int click = 1; click <= 22; ++click) {
            offset = steppedOffset(offset, arrowStep, rangeY);
            QCOMPARE(r3(offset), std::min(20.0 * click, 357.24));
        }
        QCOMPARE(r3(steppedOffset(-350, -arrowStep, rangeY)), -357.24);
        // Start of travel: centre 9.38 + 28 + 12 down the bar at x 616 - 9.38 - 28.
        QCOMPARE(r3(thumbRect(Axis::vertical, frame, thumbFraction(offset, rangeY)).topLeft()), QPointF(578.62, 35.38));
        // Horizontal travel 616 - 18.76 - 60 - 84 - 24 = 429.24; half way at 109.38 + 214.62.
        QCOMPARE(r3(thumbRect(Axis::horizontal, frame, 0.5).center()), QPointF(324, 354.62));

        // Vertical travel 251.24, middle at 175; dragging past the end gives -range.
        QCOMPARE(r3(draggedOffset(Axis::vertical, frame, 175, 1000, rangeY)), -357.24);
        QCOMPARE(r3(draggedOffset(Axis::vertical, frame, 175, -62.81, rangeY)), 178.62);
        QCOMPARE(r3(draggedOffset(Axis::horizontal, frame, 324, 107.31, 595.24)), -297.62);

        const std::pair<double, QString> zooms[] = { { 0.5, "50%" }, { 1.25, "125%" }, { 1.1, "110%" }, { 2.0, "200%" },
            { 1.0, "100%" }, { 0.999, "99%" }, { 1.575, "157%" } };
        for (const auto& [scale, label] : zooms)
            QCOMPARE(zoomLabel(scale), label);
    }

    void galleryDropText()
    {
        const QString id = QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e");
        QCOMPARE(parseGalleryDrop(id + ":cutouts")->itemId, QUuid(id));
        QCOMPARE(parseGalleryDrop(id.toUpper() + ":collages")->section, QStringLiteral("collages"));
        for (const QString& bad : { "{" + id + "}:cutouts", id + ":cutouts:x", id + ":favourites", id + ":Cutouts",
                 QString("hello:cutouts"), id, QString(":cutouts"), QString() })
            QVERIFY2(!parseGalleryDrop(bad), qPrintable(bad));
    }

    void handlesReshapeTheLayer()
    {
        using H = HandleKind;
        // Handle, rotation and drag of a 100 x 50 layer centred on the origin, zoom, the
        // result, and whether the opposite corner or edge stays put.
        const std::tuple<H, double, QPointF, double, LayerBox, bool> cases[] = {
            { H::cornerBR, 0, { 100, 50 }, 1, { { 50, 25 }, 200, 100, 0 }, true },
            { H::cornerBR, 0, { 40, 20 }, 2, { { 10, 5 }, 120, 60, 0 }, true },
            { H::cornerBR, 0, { -300, -150 }, 1, { { 50, 25 }, 200, 100, 0 }, true }, // past the opposite corner
            { H::cornerBR, 0, { -95, -45 }, 1, { { -40, -20 }, 20, 10, 0 }, true }, // shorter side held at 10
            { H::cornerTL, 90, { 50, -100 }, 1, { { 25, -50 }, 200, 100, 90 }, true },
            { H::edgeTop, 0, { 0, -30 }, 1, { { 0, -15 }, 100, 80, 0 }, true },
            { H::edgeRight, 0, { 40, 0 }, 2, { { 10, 0 }, 120, 50, 0 }, true },
            { H::edgeRight, 0, { 1, 0 }, 0, { { 50, 0 }, 200, 50, 0 }, true }, // zoom 0 counts as 0.01
            { H::edgeRight, 90, { 0, 40 }, 1, { { 0, 20 }, 140, 50, 90 }, true }, // along the turned width
            { H::edgeRight, 90, { 40, 0 }, 1, { { 0, 0 }, 100, 50, 90 }, true }, // across it
            { H::edgeBottom, 0, { 0, -100 }, 1, { { 0, -50 }, 100, 10, 0 }, false }, // clamped, still shifted
            { H::edgeLeft, 0, { 150, 0 }, 1, { { 75, 0 }, 10, 50, 0 }, false },
        };
        for (const auto& [handle, rotation, drag, scale, expected, oppositeStays] : cases) {
            const LayerBox before { {}, 100, 50, rotation };
            const LayerBox after = resized(handle, before, drag, scale);
            compareBox(after, expected);
            const auto opposite = HandleKind(int(handle) < 4 ? (int(handle) + 2) % 4 : 4 + (int(handle) - 2) % 4);
            if (oppositeStays)
                QCOMPARE(r3(handleCentre(opposite, after)), r3(handleCentre(opposite, before)));
        }
    }

    // A quarter turn clockwise on screen adds 90; turns are not wrapped. (Where a
    // turned layer's handles lie shows on the board at once.)
    void rotationFollowsThePointer()
    {
        const QPointF c(100, 100);
        QCOMPARE(r3(rotated(0, pointerAngle(c, { 200, 100 }), pointerAngle(c, { 100, 200 }))), 90.0);
        QCOMPARE(r3(rotated(0, pointerAngle(c, { 200, 100 }), pointerAngle(c, { 100, 0 }))), -90.0);
        QCOMPARE(r3(rotated(350, pointerAngle(c, { 200, 100 }), pointerAngle(c, { 186.603, 150 }))), 380.0);
    }

    void gesturesCommitOnceAtRelease()
    {
        // The layer covers frame points 258..358 x 164..214; its rotation handle is at (308, 153).
        const QPointF at(297.62, 178.62);
        // Selected first, press, release, undo steps, the layer after, tapped.
        const std::tuple<bool, QPoint, QPoint, int, LayerBox, bool> cases[] = {
            { false, { 308, 189 }, { 308, 189 }, 0, { at, 100, 50, 0 }, true },
            { false, { 308, 189 }, { 309, 189 }, 0, { at, 100, 50, 0 }, true }, // under the move threshold
            { true, { 358, 214 }, { 408, 239 }, 1, { { 322.62, 191.12 }, 150, 75, 0 }, false },
            { true, { 358, 214 }, { 358, 214 }, 0, { at, 100, 50, 0 }, false },
            { true, { 308, 153 }, { 344, 189 }, 1, { at, 100, 50, 90 }, false },
        };
        for (const auto& [selectFirst, from, to, undoSteps, box, tapped] : cases) {
            Board board;
            const QUuid id = board.layer().id;
            const std::optional<QUuid> selected = selectFirst ? std::optional(id) : std::nullopt;
            board.canvas.setSelectedLayerId(selected);
            const qsizetype undoBefore = board.canvas.undoStack().size();
            Log::ScopedCapture log;
            QTest::mousePress(&board.view, Qt::LeftButton, {}, from);
            if (to != from) {
                QTest::mouseMove(&board.view, to);
                const auto live = board.canvas.dragPublisher().state();
                QCOMPARE(live.has_value(), undoSteps > 0);
                compareBox(liveBox(board.layer(), live), box);
            }
            QTest::mouseRelease(&board.view, Qt::LeftButton, {}, to);
            QVERIFY(!board.canvas.dragPublisher().state());
            QCOMPARE(board.canvas.undoStack().size() - undoBefore, undoSteps);
            compareBox(boxOf(board.layer()), box);
            QCOMPARE(log.lines().contains("[TapGesture] selected Layer 1"), tapped);
            QCOMPARE(board.canvas.selectedLayerId(), tapped ? std::optional(id) : selected);
        }
    }

    void anEmptySpotClearsTheSelectionAndClosesTheLayerPanel()
    {
        Board board;
        board.canvas.setSelectedLayerId(board.layer().id);
        board.canvas.setShowLayerPanel(true);
        Log::ScopedCapture log;
        QTest::mouseClick(&board.view, Qt::LeftButton, {}, { 50, 50 });
        QCOMPARE(log.lines(), QStringList { "[BgTap] deselect" });
        QVERIFY(!board.canvas.selectedLayerId() && !board.canvas.showLayerPanel());
    }

    void galleryDrops()
    {
        // %1 is a cut-out's id, %2 a collage's; the world centre of the new layer, null when none.
        // (A cut-out dropped on the content's centre: MoodBoardE2ETest. Text that is no drop: galleryDropText.)
        const QPointF centre(308, 189);
        const std::tuple<QString, QPointF, QPointF> cases[] = {
            { "%2:collages", { 11, 11 }, { 0.62, 0.62 } },
            { "%1:cutouts", { 606, 189 }, {} },
            { "%1:cutouts", { 308, 10 }, {} },
            { "%1:notes", centre, {} },
            { QUuid::createUuid().toString(QUuid::WithoutBraces) + ":cutouts", centre, {} },
        };
        for (const auto& [text, point, added] : cases) {
            Board board;
            const QUuid cutout = QUuid::createUuid(), collage = QUuid::createUuid();
            board.gallery.addCutout({ cutout, solidPng(60, 40), QDateTime::currentDateTimeUtc() });
            board.gallery.addCollage({ collage, solidPng(60, 40), QDateTime::currentDateTimeUtc() });
            const qsizetype undoBefore = board.canvas.undoStack().size();
            QMimeData data;
            data.setText(QString(text)
                             .replace("%1", cutout.toString(QUuid::WithoutBraces))
                             .replace("%2", collage.toString(QUuid::WithoutBraces)));
            QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&board.view, &enter);
            QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&board.view, &drop);
            QVERIFY(enter.isAccepted() && drop.isAccepted());
            QCOMPARE(board.canvas.undoStack().size() - undoBefore, added.isNull() ? 0 : 1);
            QCOMPARE(board.canvas.layers().size(), added.isNull() ? 1 : 2);
            if (!added.isNull()) {
                const Layer& layer = board.canvas.layers().last();
                QCOMPARE(layer.clipItemId, text.contains("%2") ? collage : cutout);
                compareBox(boxOf(layer), { added, 30, 20, 0 });
            }
        }
    }
};

QTEST_MAIN(MoodBoardCanvasTest)
#include "MoodBoardCanvasTest.moc"
