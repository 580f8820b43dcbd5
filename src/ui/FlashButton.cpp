#include "ui/FlashButton.h"

#include "ui/Theme.h"

#include <QPainter>

#include <cmath>

FlashButton::FlashButton(const Theme& theme, const QString& assetName, bool isTemplate, QWidget* parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_assetName(assetName)
    , m_template(isTemplate)
{
    setFocusPolicy(Qt::NoFocus);
}

void FlashButton::setAssetName(const QString& assetName)
{
    if (assetName == m_assetName)
        return;
    m_assetName = assetName;
    update();
}

void FlashButton::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
}

qreal FlashButton::drawnOpacity() const
{
    if (!isEnabled())
        return disabledOpacity;
    return isDown() ? pressedOpacity : 1.0;
}

void FlashButton::paintEvent(QPaintEvent*)
{
    const ThemePalette& palette = m_theme.palette();
    const QImage image = m_theme.image(m_assetName);
    const QSizeF size = image.isNull() ? QSizeF() : image.deviceIndependentSize();
    const QRectF target(std::floor((width() - size.width()) / 2), std::floor((height() - size.height()) / 2),
        size.width(), size.height());
    QPainter painter(this);
    painter.setOpacity(drawnOpacity());
    if (m_active)
        painter.fillRect(target, palette.ink);
    std::optional<QColor> tint;
    if (m_template)
        tint = m_active ? palette.paper : palette.ink;
    m_theme.drawImage(painter, target, m_assetName, tint);
    if (m_active) {
        // The cell's own outline stays black, as its neighbours draw it.
        painter.setPen(QPen(palette.ink, 1));
        painter.drawRect(target.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
