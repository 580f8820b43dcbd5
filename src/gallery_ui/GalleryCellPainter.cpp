#include "gallery_ui/GalleryCellPainter.h"

#include "gallery_ui/GalleryGridLayout.h"
#include "gallery_ui/HoverTilt.h"
#include "ui/Checkbox.h"
#include "ui/Theme.h"

#include <QPainter>

namespace GalleryCellPainter {

QRectF imageRect(const Cell& cell)
{
    if (cell.thumbnail.isNull())
        return cell.frame;
    const QSizeF shown = GalleryGridLayout::cellSize(cell.imageSize);
    return { cell.frame.center().x() - shown.width() / 2, cell.frame.center().y() - shown.height() / 2, shown.width(),
        shown.height() };
}

void paint(QPainter& painter, const Cell& cell, const ThemePalette& palette)
{
    const QRectF image = imageRect(cell);
    painter.save();
    if (cell.tilt > 0 && !cell.selectMode) {
        const QPointF centre = image.center();
        painter.translate(centre);
        painter.rotate(HoverTilt::rotation * cell.tilt);
        const qreal scale = 1 + (HoverTilt::scale - 1) * cell.tilt;
        painter.scale(scale, scale);
        painter.translate(-centre);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setRenderHint(QPainter::Antialiasing, true);
    }
    if (cell.thumbnail.isNull()) {
        QColor placeholder = palette.disabled;
        placeholder.setAlphaF(0.3f);
        painter.fillRect(image, placeholder);
    } else {
        painter.drawPixmap(image, cell.thumbnail, QRectF(QPointF(0, 0), QSizeF(cell.thumbnail.size())));
    }
    painter.restore();
    if (cell.selectMode) {
        const QPointF corner(cell.frame.right() - 4 - Checkbox::side, cell.frame.top() + 4);
        Checkbox::paint(painter, corner, cell.selected, palette);
    }
}

} // namespace GalleryCellPainter
