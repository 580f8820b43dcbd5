// The gallery window's geometry, worked out by hand from its design numbers:
// a window opens at 600.6 x 471.9 (card 598.6 x 469.9, viewport 357.9).
#include "gallery_ui/GalleryGridLayout.h"
#include "gallery_ui/GalleryMenuGeometry.h"
#include "gallery_ui/GalleryScrollbarGeometry.h"
#include "gallery_ui/GalleryWindowGeometry.h"
#include "gallery_ui/MarqueeSelection.h"

#include <QtTest>

using Arrow = GalleryScrollbarGeometry::ArrowDirection;
using Range = std::pair<qsizetype, qsizetype>;

class GalleryGeometryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowSizeIsClampedAndOpensCentred()
    {
        const BorderlessWindowGeometry& window = GalleryWindowGeometry::window;
        QCOMPARE(window.clampedSize({ 5000, 100 }), QSizeF(2462, 471.9));
        QCOMPARE(window.clampedSize({ 100, 5000 }), QSizeF(600.6, 2510));
        QCOMPARE(window.clampedSize({ 800, 600 }), QSizeF(800, 600));
        // 24 + (744 - 471.9) / 2 = 160.05 -> 160; (1366 - 600.6) / 2 = 382.7 -> 383.
        QCOMPARE(window.openingFrame(QRect(0, 24, 1366, 744)), QRect(383, 160, 601, 472));
    }

    void framePressesMoveOrResizeAndCornersShowDiagonalCursors()
    {
        const BorderlessWindowGeometry& geometry = GalleryWindowGeometry::window;
        const QSizeF window(601, 472);
        const int arrow = Qt::ArrowCursor, falling = Qt::SizeFDiagCursor, rising = Qt::SizeBDiagCursor;
        const int top = Qt::TopEdge, left = Qt::LeftEdge, right = Qt::RightEdge, bottom = Qt::BottomEdge;
        // A press, whether it moves the window, which edges it resizes, and the cursor shown there. The title
        // bar is 10 below the top; the close button spans x 567 to 583, y 6 to 22; the minimise button is at the
        // left, partly in the corner square; (6, 240) is just inside the left margin, (18, 460) outside the corner.
        const std::tuple<QPointF, bool, int, int> presses[]
            = { { { 300, 10 }, true, 0, arrow }, { { 300, 30 }, false, 0, arrow }, { { 583, 22 }, false, 0, arrow },
                  { { 565, 14 }, true, 0, arrow }, { { 20, 20 }, false, 0, arrow }, { { 14, 6 }, false, 0, falling },
                  { { 300, 2 }, false, top, arrow }, { { 5, 240 }, false, left, arrow },
                  { { 596, 240 }, false, right, arrow }, { { 300, 467 }, false, bottom, arrow },
                  { { 6, 240 }, false, 0, arrow }, { { 10, 3 }, false, top | left, falling },
                  { { 590, 10 }, false, top | right, rising }, { { 10, 460 }, false, bottom | left, rising },
                  { { 590, 460 }, false, bottom | right, falling }, { { 18, 460 }, false, 0, arrow } };
        for (const auto& [point, moves, edges, cursor] : presses)
            QCOMPARE(std::tuple(point, geometry.startsWindowMove(point, window),
                         int(geometry.resizeEdges(point, window)), int(geometry.cursorAt(point, window))),
                std::tuple(point, moves, edges, cursor));
    }

    void columnsAndCellSizes()
    {
        QList<int> columns;
        for (const qreal cardWidth : { 598.6, 1000.0, 400.0, 686.0, 685.9, 2460.0 })
            columns.append(GalleryGridLayout::columnCount(cardWidth));
        QCOMPARE(columns, (QList<int> { 3, 6, 3, 4, 3, 15 }));
        const auto cellSize = &GalleryGridLayout::cellSize;
        // The fourth is exactly the cap: not narrowed.
        QCOMPARE((QList<QSizeF> { cellSize(std::nullopt), cellSize(QSizeF(100, 400)), cellSize(QSizeF(400, 100)),
                     cellSize(QSizeF(125, 180)), cellSize(QSizeF(360, 360)), cellSize(QSizeF(0, 100)) }),
            (QList<QSizeF> { { 125, 125 }, { 45, 180 }, { 125, 31.25 }, { 125, 180 }, { 125, 125 }, { 125, 125 } }));
    }

    void gridRowsFollowTheirTallestCell()
    {
        GalleryGridLayout layout;
        layout.rebuild(598.6, {});
        QVERIFY(layout.contentHeight() == 40 && layout.itemsBetween(0, 357.9) == Range(0, 0));

        // Row 0: 125, 180, 31.25 -> 180 high at 40; row 1: one cell at 250.
        layout.rebuild(598.6, { 125, 180, 31.25, 125 });
        QVERIFY(layout.rowCount() == 2 && layout.contentHeight() == 375);
        // Columns start at 18 + (502.6 - 435) / 2 = 51.8, 155 apart.
        QCOMPARE((QList<QRectF> { layout.cellFrame(0), layout.cellFrame(2), layout.cellFrame(3) }),
            (QList<QRectF> { { 51.8, 67.5, 125, 125 }, { 361.8, 114.375, 125, 31.25 }, { 51.8, 250, 125, 125 } }));
        QCOMPARE((QList<Range> {
                     layout.itemsBetween(0, 40), layout.itemsBetween(219.9, 250), layout.itemsBetween(220, 251) }),
            (QList<Range> { { 0, 0 }, { 0, 3 }, { 3, 4 } }));
        QCOMPARE(layout.itemAt({ 400, 120 }), std::optional<qsizetype>(2));
        QCOMPARE(layout.itemAt({ 400, 100 }), std::nullopt); // beside the short cell
        QCOMPARE(layout.itemsIntersecting({ 100, 100, 200, 200 }), (QList<qsizetype> { 0, 1, 3 }));

        // The tall picture turns out square: row 0 shrinks to 125.
        layout.setCellHeight(1, 125);
        QVERIFY(layout.cellFrame(3).top() == 195 && layout.contentHeight() == 320);
    }

    void wheelAndArrowsStopAtBothEnds()
    {
        const auto offsetAfterWheel = &GalleryGridLayout::offsetAfterWheel;
        // The first: content shorter than the viewport.
        QCOMPARE((QList<qreal> { offsetAfterWheel(0, -120, 0), offsetAfterWheel(80, -50, 100),
                     offsetAfterWheel(30, 50, 100), offsetAfterWheel(30, 10, 100) }),
            (QList<qreal> { 0, 100, 0, 20 }));
        QVERIFY(GalleryGridLayout::maxOffset(321, 357.9) == 0);
        QCOMPARE(GalleryGridLayout::maxOffset(1000, 357.9), 642.1);

        GalleryScrollbarGeometry bar { 357.9, 100 };
        qreal offset = 0;
        QList<qreal> steps;
        for (int i = 0; i < 3; ++i)
            steps.append(offset = bar.offsetAfterArrow(offset, Arrow::down));
        QCOMPARE(steps, (QList<qreal> { 40, 80, 100 }));
        bar.maxScroll = 0;
        QVERIFY(bar.offsetAfterArrow(20, Arrow::up) == 0 && bar.offsetAfterArrow(0, Arrow::down) == 0);
    }

    void thumbTravelsWithThePointer()
    {
        // A fresh window: L = 357.9 - 56 = 301.9, T = 28, R = 273.9.
        GalleryScrollbarGeometry bar { 357.9, 642.1 };
        QCOMPARE((QList<qreal> { bar.trackLength(), bar.travel(), bar.thumbPosition(642.1) }),
            (QList<qreal> { 301.9, 273.9, 273.9 }));
        QCOMPARE(bar.thumbRect(321.05), QRectF(0, 28 + 136.95, 28, 28));
        QCOMPARE(bar.offsetForDrag(0, 273.9), 642.1); // to the bottom of the track
        QCOMPARE(bar.offsetForDrag(0, 400), 642.1); // beyond it
        QCOMPARE(bar.offsetForDrag(321.05, -500), 0.0); // back above the top
        QCOMPARE(bar.offsetForDrag(0, 27.39), 64.21); // a tenth of the travel

        bar.maxScroll = 0;
        QVERIFY(bar.thumbPosition(0) == 0 && bar.offsetForDrag(0, 50) == 0);
        // A track shorter than the thumb: R = max(4 - 28, 1) = 1.
        const GalleryScrollbarGeometry tiny { 60, 100 };
        QVERIFY(tiny.travel() == 1 && tiny.offsetForDrag(0, 0.5) == 50);
    }

    void menusOpenBesideTheCellAndStayOnTheCard()
    {
        using namespace GalleryMenuGeometry;
        QCOMPARE(
            (QList<qreal> { menuHeight(false, GallerySection::cutouts), menuHeight(false, GallerySection::collages),
                menuHeight(true, GallerySection::cutouts), menuHeight(true, GallerySection::collages) }),
            (QList<qreal> { 99, 78, 78, 57 }));

        const QSizeF card(598.6, 469.9);
        // Top-left 4 points inside the cell's bottom-right corner.
        QCOMPARE(menuCentre({ 51.8, 138, 125, 125 }, 99, card), QPointF(253.8, 308.5));
        // At the right edge: pushed left to end at the card's edge.
        QCOMPARE(menuCentre({ 361.8, 138, 125, 125 }, 99, { 500, 469.9 }), QPointF(419, 308.5));
        // At the bottom: pushed up to end at the card's bottom.
        QCOMPARE(menuCentre({ 51.8, 325, 125, 125 }, 78, card), QPointF(253.8, 430.9));
        // A cell scrolled above the card: the menu stays below its top.
        QCOMPARE(menuCentre({ 51.8, -150, 125, 125 }, 57, card), QPointF(253.8, 28.5));
    }

    void marqueeSpansBothDragDirections()
    {
        // Up and to the right; up and to the left is GalleryE2ETest's marquee.
        QCOMPARE(MarqueeSelection::rect({ 10, 20 }, { 60, 5 }), QRectF(10, 5, 50, 15));
        QVERIFY(MarqueeSelection::isMarquee({ 0, 0 }, { 3, 4 }));
        QVERIFY(!MarqueeSelection::isMarquee({ 0, 0 }, { 3, 3.9 }));
    }
};

QTEST_GUILESS_MAIN(GalleryGeometryTest)
#include "GalleryGeometryTest.moc"
