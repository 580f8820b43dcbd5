#include "ui/MenuItemRow.h"

#include "ui/Theme.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

MenuItemRow::MenuItemRow(
    const Theme& theme, const QString& label, qreal fontSize, qreal leadingPadding, qreal rowHeight, QWidget* parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_leadingPadding(leadingPadding)
    , m_rowHeight(rowHeight)
{
    setText(label);
    setFont(theme.font(FontRole::chicago, fontSize));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setFixedHeight(int(std::lround(rowHeight)));
}

QSize MenuItemRow::sizeHint() const
{
    const int width = int(std::ceil(m_leadingPadding * 2)) + QFontMetrics(font()).horizontalAdvance(text());
    return { width, int(std::lround(m_rowHeight)) };
}

void MenuItemRow::paintEvent(QPaintEvent*)
{
    const ThemePalette& palette = m_theme.palette();
    const bool inverted = m_isHovering && isEnabled();
    QPainter painter(this);
    painter.fillRect(rect(), inverted ? palette.ink : palette.paper);
    painter.setFont(font());
    painter.setPen(!isEnabled() ? palette.disabled : inverted ? palette.paper : palette.ink);
    painter.drawText(
        QRectF(m_leadingPadding, 0, width() - m_leadingPadding, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void MenuItemRow::enterEvent(QEnterEvent* event)
{
    if (isEnabled()) {
        m_isHovering = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void MenuItemRow::leaveEvent(QEvent* event)
{
    if (isEnabled()) {
        m_isHovering = false;
        update();
    }
    QAbstractButton::leaveEvent(event);
}

void MenuItemRow::changeEvent(QEvent* event)
{
    // A row disabled while highlighted must not stay inverted.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_isHovering) {
        m_isHovering = false;
        update();
    }
    QAbstractButton::changeEvent(event);
}
