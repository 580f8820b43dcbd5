#pragma once

#include <QPointF>
#include <QRect>
#include <QSizeF>

// The geometry of a borderless window that draws its own 28-point title bar,
// in points with y downwards from the window's top-left corner: its size
// limits, where it opens, and which parts of its drawn frame move or resize it.
// Each window differs only in its design size, its largest size and where its
// close button sits.
struct BorderlessWindowGeometry {
    static constexpr qreal openingScale = 1.1;
    static constexpr qreal titleBarHeight = 28;
    // A press this close to an edge resizes: a frameless window on X11 has no
    // resize border of its own.
    static constexpr qreal edgeMargin = 6;
    // Side of the corner squares where the pointer shows a resize cursor.
    static constexpr qreal cornerSize = 18;

    QSizeF defaultSize;
    QSizeF maximumSize;
    // The close button's press zone spans x from w - closeZoneFromRight to 16
    // points further right; the minimise button's spans x 14 to 30.
    qreal closeZoneFromRight = 34;

    // Every showing resets the window to 1.1 times its design size, which is
    // also the smallest it can be.
    [[nodiscard]] constexpr QSizeF openingSize() const { return defaultSize * openingScale; }
    [[nodiscard]] constexpr QSizeF minimumSize() const { return openingSize(); }
    [[nodiscard]] QSizeF clampedSize(QSizeF proposed) const;
    // The limits in whole pixels, never below the fractional design minimum.
    [[nodiscard]] QSize minimumPixelSize() const;

    // The window's frame when it opens on a screen whose usable area is
    // `available`: the opening size rounded up to whole pixels (so it never
    // falls below the minimum), centred, with a whole-pixel origin.
    [[nodiscard]] QRect openingFrame(const QRect& available) const;

    // The minimise and close buttons, both between 6 and 22 points below the
    // top, inclusive.
    [[nodiscard]] bool isInTitleBarButton(QPointF point, QSizeF window) const;

    // The edges a left press at `point` resizes: within `edgeMargin` of an
    // edge, or anywhere in a corner square (which shows the diagonal cursor and
    // so must act as that corner). Empty when the press does not resize.
    [[nodiscard]] Qt::Edges resizeEdges(QPointF point, QSizeF window) const;

    // A left press that moves the window: in the title bar, outside the buttons.
    [[nodiscard]] bool startsWindowMove(QPointF point, QSizeF window) const;

    // The diagonal resize cursor matching the corner square `point` is in, or
    // the arrow everywhere else (the edges between corners included).
    [[nodiscard]] static Qt::CursorShape cursorAt(QPointF point, QSizeF window);
};
