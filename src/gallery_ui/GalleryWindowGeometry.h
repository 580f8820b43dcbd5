#pragma once

#include <QPointF>
#include <QRect>
#include <QSizeF>

#include <optional>

// The Idea Gallery window's own geometry, in points with y downwards from the
// window's top-left corner: its size limits, where it opens, and which parts
// of its self-drawn frame move or resize it.
namespace GalleryWindowGeometry {

inline constexpr QSizeF defaultSize { 546, 429 };
inline constexpr qreal openingScale = 1.1;
// Every showing resets the window to 1.1 times its design size.
inline constexpr QSizeF openingSize { 546 * openingScale, 429 * openingScale };
inline constexpr QSizeF minimumSize = openingSize;
inline constexpr QSizeF maximumSize { 2462, 2510 };
inline constexpr qreal titleBarHeight = 28;
// A press this close to an edge resizes: a frameless window on X11 has no
// resize border of its own.
inline constexpr qreal edgeMargin = 6;
// Side of the corner squares where the pointer shows a resize cursor.
inline constexpr qreal cornerSize = 18;

[[nodiscard]] QSizeF clampedSize(QSizeF proposed);

// The window's frame when it opens on a screen whose usable area is
// `available`: the opening size rounded up to whole pixels (so it never falls
// below the minimum), centred, with a whole-pixel origin.
[[nodiscard]] QRect openingFrame(const QRect& available);

// The minimise (x 14 to 30) and close (x w - 34 to w - 18) buttons, both
// between 6 and 22 points below the top, inclusive.
[[nodiscard]] bool isInTitleBarButton(QPointF point, QSizeF window);

// The edges a left press at `point` resizes: within `edgeMargin` of an edge,
// or anywhere in a corner square (which shows the diagonal cursor and so must
// act as that corner). Empty when the press does not resize.
[[nodiscard]] Qt::Edges resizeEdges(QPointF point, QSizeF window);

// A left press that moves the window: in the title bar, outside the buttons.
[[nodiscard]] bool startsWindowMove(QPointF point, QSizeF window);

// The diagonal resize cursor matching the corner square `point` is in, or the
// arrow everywhere else (the edges between corners included).
[[nodiscard]] Qt::CursorShape cursorAt(QPointF point, QSizeF window);

// A wheel event's vertical movement in points, positive towards the top.
// Touchpads report pixels; a mouse wheel notch (120 units) moves 40 points,
// the same step as the scrollbar's arrows.
[[nodiscard]] qreal wheelDelta(QPoint pixelDelta, QPoint angleDelta);

} // namespace GalleryWindowGeometry
