#include "moodboard_ui/RotateMenuItemView.h"

#include "ui/Theme.h"

#include <QPainter>

RotateMenuItemView::RotateMenuItemView(const Theme& theme, const QString& assetName, QWidget* parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_assetName(assetName)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void RotateMenuItemView::paintEvent(QPaintEvent*)
{
    const ThemePalette& palette = m_theme.palette();
    QPainter painter(this);
    if (m_isHovered)
        painter.fillRect(rect(), palette.ink);
    m_theme.drawImage(painter, QRectF(rect()), m_assetName, m_isHovered ? palette.paper : palette.ink);
}

void RotateMenuItemView::enterEvent(QEnterEvent* event)
{
    m_isHovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RotateMenuItemView::leaveEvent(QEvent* event)
{
    m_isHovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
