#include "app/PanelButton.h"

#include "ui/PixelSnap.h"
#include "ui/Theme.h"

#include <QPaintDevice>
#include <QPainter>

PanelButton::PanelButton(qreal width, qreal height, QPointF frameCentre, std::function<void()> action, Content content)
    : width(width)
    , height(height)
    , action(std::move(action))
    , content(std::move(content))
    , m_frameCentre(frameCentre)
{
}

QRectF PanelButton::frame() const
{
    const QSizeF size(width + shadowOffset, height + shadowOffset);
    return { m_frameCentre - QPointF(size.width() / 2, size.height() / 2), size };
}

QRectF PanelButton::face() const
{
    return { frame().topLeft(), QSizeF(width, height) };
}

void PanelButton::tap() const
{
    if (action)
        action();
}

void PanelButton::paint(QPainter& painter, const ThemePalette& palette) const
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    // The outline straddles the face's edge by half a point each way. Its
    // outer box is snapped to device pixels, so at 1x the half-point layout
    // positions still give a one-pixel line; the shadow is that same box,
    // moved 3 points, so face and shadow always line up.
    const QRectF outer = PixelSnap::rect(face().adjusted(-0.5, -0.5, 0.5, 0.5), ratio);
    const QRectF inner = outer.adjusted(1, 1, -1, -1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(outer.translated(shadowOffset, shadowOffset), palette.ink);
    painter.fillRect(outer, palette.ink);
    painter.fillRect(inner, isSelected ? palette.ink : palette.paper);
    painter.restore();
    if (content)
        content(painter, face(), isSelected);
}
