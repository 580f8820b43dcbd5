#pragma once

#include "gallery/GalleryItems.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Placement of the items' pop-up menus on the card (W x H points): 162 points
// wide, 20 points a row, opening with the top-left corner 4 points inside the
// cell's bottom-right corner and pushed back inside the card's right, top and
// bottom edges.
namespace GalleryMenuGeometry {

inline constexpr qreal menuWidth = 162;
inline constexpr qreal rowHeight = 20;

// The single-item menu has Copy, Download, (Add to MoodBoard,) Delete; the
// selection menu has no Copy. Cut-outs have the extra row.
[[nodiscard]] qreal menuHeight(bool selectMode, GallerySection section);
[[nodiscard]] QPointF menuCentre(const QRectF& cellFrame, qreal menuHeight, QSizeF card);
[[nodiscard]] QRectF menuRect(const QRectF& cellFrame, qreal menuHeight, QSizeF card);

} // namespace GalleryMenuGeometry
