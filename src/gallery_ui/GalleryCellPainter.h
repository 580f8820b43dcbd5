#pragma once

#include <QPixmap>
#include <QRectF>

class QPainter;
struct ThemePalette;

// Draws one grid cell into its frame: the thumbnail (or a gray placeholder
// square while it loads), lifted by the hover tilt, and in select mode the
// checkbox in its top-right corner.
namespace GalleryCellPainter {

struct Cell {
    QRectF frame;
    QPixmap thumbnail; // null: still loading
    QSizeF imageSize; // the thumbnail's own size
    qreal tilt = 0; // 0 at rest, 1 fully lifted
    bool selectMode = false;
    bool selected = false;
};

void paint(QPainter& painter, const Cell& cell, const ThemePalette& palette);

// The picture's rectangle inside the cell: aspect-fit into the column's width,
// at most 180 points high, centred.
[[nodiscard]] QRectF imageRect(const Cell& cell);

} // namespace GalleryCellPainter
