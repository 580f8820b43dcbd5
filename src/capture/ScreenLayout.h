#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>

// One screen as Qt reports it: a device-independent size, with its top-left
// corner where the display server has it (Qt divides only the size by the
// device pixel ratio), and that ratio.
struct ScreenArea {
    QRect geometry;
    double devicePixelRatio = 1.0;
};

// Where the screens lie in the desktop's layout, which one crop mode covers,
// and which pixels of a picture of the whole layout belong to it.
namespace ScreenLayout {

// The screen that holds `pointer`, else `primary` (the pointer in a gap
// between screens, or no answer from the display server).
[[nodiscard]] int screenAt(const QList<ScreenArea>& screens, QPoint pointer, int primary);

// The screen's area in the display server's pixels.
[[nodiscard]] QRect nativeRect(const ScreenArea& screen);

// The pixels of `screens[index]` cut out of `layout`, a picture of the box
// around all the screens at any uniform density (the desktop draws it at its
// own scale), resampled only when that density is not the screen's. The
// result has the screen's size in its pixels and its device pixel ratio set.
// Null when the picture does not have the layout's proportions.
[[nodiscard]] QImage screenPixels(const QImage& layout, const QList<ScreenArea>& screens, int index);

} // namespace ScreenLayout
