#include "moodboard_ui/CanvasViewport.h"

#include <algorithm>
#include <cmath>

QRectF CanvasViewport::frameInCard() const
{
    return { QPointF(frameLeft, frameTop), frameSize() };
}

QSizeF CanvasViewport::contentSize() const
{
    return frameSize() - QSizeF(2 * contentBoundaryInset, 2 * contentBoundaryInset);
}

QRectF CanvasViewport::contentRect() const
{
    return { QPointF(contentBoundaryInset, contentBoundaryInset), contentSize() };
}

QPointF CanvasViewport::viewFromWorld(QPointF world) const
{
    const QSizeF content = contentSize();
    const QPointF centre(content.width() / 2, content.height() / 2);
    const QPointF offset(offsetX, offsetY);
    return QPointF(contentBoundaryInset, contentBoundaryInset) + centre + (world - centre + offset) * scale;
}

QPointF CanvasViewport::worldFromView(QPointF view) const
{
    const QSizeF content = contentSize();
    const QPointF centre(content.width() / 2, content.height() / 2);
    const QPointF offset(offsetX, offsetY);
    return centre + (view - QPointF(contentBoundaryInset, contentBoundaryInset) - centre) / scale - offset;
}

QPointF CanvasViewport::dropOrigin() const
{
    const QSizeF content = contentSize();
    return { content.width() / 2 - offsetX, content.height() / 2 - offsetY };
}

namespace CanvasScrollbars {

namespace {
constexpr double inset = CanvasViewport::canvasInnerInset;
constexpr double side = CanvasViewport::scrollbarThickness;
constexpr double thumbSide = 28;
} // namespace

Bar bar(Axis axis, QSizeF frame)
{
    Bar result;
    if (axis == Axis::vertical) {
        const double x = frame.width() - inset - side;
        const double bottom = frame.height() - inset - side; // above the corner square
        result.bar = QRectF(x, inset, side, bottom - inset);
        result.addButton = QRectF(x, inset, side, side);
        result.subtractButton = QRectF(x, bottom - side, side, side);
        result.trackStart = inset + side;
        result.track = QRectF(x, result.trackStart, side, bottom - side - result.trackStart);
        result.travel = frame.height() - 2 * inset - 3 * side - 24;
    } else {
        const double y = frame.height() - inset - side;
        const double right = frame.width() - inset - side; // left of the corner square
        result.bar = QRectF(inset, y, right - inset, side);
        result.zoomBox = QRectF(inset, y, zoomBoxWidth, side);
        result.addButton = QRectF(inset + zoomBoxWidth, y, side, side);
        result.subtractButton = QRectF(right - side, y, side, side);
        result.trackStart = inset + zoomBoxWidth + side;
        result.track = QRectF(result.trackStart, y, right - side - result.trackStart, side);
        result.travel = frame.width() - 2 * inset - zoomBoxWidth - 3 * side - 24;
    }
    return result;
}

QRectF cornerSquare(QSizeF frame)
{
    // One point short of the bar's side, so that the bars' edge lines show.
    return { frame.width() - inset - side + 1, frame.height() - inset - side + 1, side - 1, side - 1 };
}

double range(Axis axis, const CanvasViewport& viewport)
{
    const QSizeF content = viewport.contentSize();
    return axis == Axis::horizontal ? content.width() : content.height();
}

double thumbFraction(double offset, double range)
{
    if (range <= 0)
        return 0.5;
    return std::clamp((range - offset) / (2 * range), 0.0, 1.0);
}

QRectF thumbRect(Axis axis, QSizeF frame, double fraction)
{
    const Bar geometry = bar(axis, frame);
    const double centre = geometry.trackStart + thumbHalfTravelInset + fraction * geometry.travel;
    if (axis == Axis::vertical)
        return { geometry.bar.x(), centre - thumbSide / 2, thumbSide, thumbSide };
    return { centre - thumbSide / 2, geometry.bar.y(), thumbSide, thumbSide };
}

double steppedOffset(double offset, double delta, double range)
{
    return std::clamp(offset + delta, -std::max(range, 0.0), std::max(range, 0.0));
}

double draggedOffset(Axis axis, QSizeF frame, double initialCentre, double translation, double range)
{
    const Bar geometry = bar(axis, frame);
    const double first = geometry.trackStart + thumbHalfTravelInset;
    if (geometry.travel <= 0)
        return 0;
    const double position = std::clamp(initialCentre + translation, first, first + geometry.travel);
    const double fraction = (position - first) / geometry.travel;
    return (1 - 2 * fraction) * range;
}

} // namespace CanvasScrollbars

QString zoomLabel(double scale)
{
    // A hair of tolerance, so that 1.1 x 100 = 110.00000000000001 and
    // 0.7 x 100 = 70.00000000000001 read as what the user zoomed to, as does a
    // product that lands just under a whole percent after repeated steps.
    return QString::number(static_cast<long long>(std::floor(scale * 100 + 1e-9))) + QLatin1Char('%');
}
