#include "ui/PopupLayer.h"

#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

PopupLayer::PopupLayer(
    const Theme& theme, QColor backdrop, bool drawsPanel, std::function<void()> onDismiss, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_backdrop(backdrop)
    , m_drawsPanel(drawsPanel)
    , m_onDismiss(std::move(onDismiss))
{
    hide();
}

void PopupLayer::setPopupRect(const QRectF& rect)
{
    m_popupRect = rect;
    update();
}

void PopupLayer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backdrop);
    if (!m_drawsPanel)
        return;
    const QRectF panel = panelRect();
    painter.fillRect(panel, m_theme.palette().paper);
    painter.setPen(QPen(m_theme.palette().ink, 1));
    painter.drawRect(panel.adjusted(0.5, 0.5, -0.5, -0.5));
}

void PopupLayer::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    const QRectF panel = panelRect();
    const QPointF point = event->position();
    const bool inside = point.x() >= panel.left() && point.x() < panel.right() && point.y() >= panel.top()
        && point.y() < panel.bottom();
    if (!inside)
        m_onDismiss();
}

QRectF PopupLayer::panelRect() const
{
    // Whole-point origin, so the outline stays one crisp pixel.
    return { std::round(m_popupRect.x()), std::round(m_popupRect.y()), m_popupRect.width(), m_popupRect.height() };
}
