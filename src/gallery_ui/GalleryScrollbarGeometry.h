#pragma once

#include <QRectF>

// The gallery's scrollbar, top to bottom: an up arrow, the tiled track with
// the thumb, a down arrow. Lengths in points; offsets as the grid's (0 = top).
struct GalleryScrollbarGeometry {
    enum class ArrowDirection { up, down };

    static constexpr qreal arrowStep = 40;

    qreal trackHeight = 0; // arrows included
    qreal maxScroll = 0;
    qreal trackWidth = 28;
    qreal arrowSize = 28;
    qreal sliderSize = 24;

    // L: the track between the arrows.
    [[nodiscard]] qreal trackLength() const { return trackHeight - 2 * arrowSize; }
    // T: the thumb's black box around its white square.
    [[nodiscard]] qreal thumbBox() const { return sliderSize + 4; }
    // R = max(L - T, 1): never zero, so a short track divides safely.
    [[nodiscard]] qreal travel() const;
    // The thumb's distance from the top of the track.
    [[nodiscard]] qreal thumbPosition(qreal offset) const;

    [[nodiscard]] QRectF upArrowRect() const { return { 0, 0, trackWidth, arrowSize }; }
    [[nodiscard]] QRectF trackRect() const { return { 0, arrowSize, trackWidth, trackLength() }; }
    [[nodiscard]] QRectF downArrowRect() const { return { 0, trackHeight - arrowSize, trackWidth, arrowSize }; }
    // The thumb's whole frame (track-wide, T high), in scrollbar coordinates.
    [[nodiscard]] QRectF thumbRect(qreal offset) const;

    [[nodiscard]] qreal clamped(qreal offset) const;
    [[nodiscard]] qreal offsetAfterArrow(qreal offset, ArrowDirection direction) const;
    // The offset while dragging the thumb: the offset when the drag began plus
    // the pointer's vertical travel since then, scaled so that the thumb moves
    // exactly with the pointer.
    [[nodiscard]] qreal offsetForDrag(qreal startOffset, qreal translation) const;
};
