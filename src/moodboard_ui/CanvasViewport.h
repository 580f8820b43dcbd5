#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// The canvas side of the board card as plain arithmetic, apart from any
// widget: where the canvas frame and its scrollbars lie for a card W x H, and
// how world points (the unscaled content rectangle, origin at its top left)
// map to points of the canvas frame and back under the pan offsets and zoom.
//
// The content is drawn shifted by the offsets, then scaled about its own
// centre, so the world point at the centre of the content rectangle is
// (contentW / 2, contentH / 2) minus the offsets whatever the zoom.
struct CanvasViewport {
    static constexpr double baseWidth = 759;
    static constexpr double baseHeight = 442;
    static constexpr double canvasInnerInset = 9.38;
    static constexpr double contentBoundaryInset = 10.38;
    static constexpr double scrollbarThickness = 28;
    static constexpr double canvasTopInset = 33;
    // The left column (toolbar and layer panel) and the margins around the frame.
    static constexpr double frameLeft = 172;
    static constexpr double frameTop = canvasTopInset + 28;
    static constexpr double frameWidthLoss = 220;
    static constexpr double frameHeightLoss = 109;

    double cardWidth = baseWidth;
    double cardHeight = baseHeight;
    double offsetX = 0;
    double offsetY = 0;
    double scale = 1.0;

    // The canvas frame in card coordinates.
    [[nodiscard]] QRectF frameInCard() const;
    [[nodiscard]] QSizeF frameSize() const { return { cardWidth - frameWidthLoss, cardHeight - frameHeightLoss }; }
    [[nodiscard]] QSizeF contentSize() const;
    // The content rectangle in frame coordinates (what a drop must land in).
    [[nodiscard]] QRectF contentRect() const;

    // Frame coordinates from world coordinates and back.
    [[nodiscard]] QPointF viewFromWorld(QPointF world) const;
    [[nodiscard]] QPointF worldFromView(QPointF view) const;

    // The world point at the centre of the viewport at scale 1, where the
    // store places the layers it positions itself.
    [[nodiscard]] QPointF dropOrigin() const;
};

// The two scrollbars of the canvas frame, in frame coordinates. Each axis
// pans within [-range, +range]; a positive offset moves the content right or
// down, and puts the thumb towards the start of its travel.
namespace CanvasScrollbars {

enum class Axis { horizontal, vertical };

inline constexpr double arrowStep = 20;
inline constexpr double zoomBoxWidth = 60;
inline constexpr double thumbHalfTravelInset = 12;

struct Bar {
    QRectF bar; // the whole bar, zoom box and arrows included
    QRectF zoomBox; // empty on the vertical bar
    QRectF addButton; // up or left: adds arrowStep
    QRectF subtractButton; // down or right
    QRectF track; // between the arrows
    double travel = 0; // of the thumb centre
    double trackStart = 0; // along the axis, where the track begins
};

[[nodiscard]] Bar bar(Axis axis, QSizeF frame);
// The white square where the two bars meet.
[[nodiscard]] QRectF cornerSquare(QSizeF frame);
[[nodiscard]] double range(Axis axis, const CanvasViewport& viewport);
// 0 at the start of the travel (offset +range), 1 at the end; 0.5 without range.
[[nodiscard]] double thumbFraction(double offset, double range);
[[nodiscard]] QRectF thumbRect(Axis axis, QSizeF frame, double fraction);
// An arrow click: the offset moved by `delta`, kept within the range.
[[nodiscard]] double steppedOffset(double offset, double delta, double range);
// The offset while the thumb is dragged `translation` along the axis from
// where its centre was when the drag began.
[[nodiscard]] double draggedOffset(Axis axis, QSizeF frame, double initialCentre, double translation, double range);

} // namespace CanvasScrollbars

// The zoom read-out: the whole percent, rounded down ("125%").
[[nodiscard]] QString zoomLabel(double scale);
