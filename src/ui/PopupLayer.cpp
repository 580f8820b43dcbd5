#include "ui/PopupLayer.h"

#include "ui/Theme.h"

#include <QEvent>
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
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
}

void PopupLayer::setPopupRect(const QRectF& rect)
{
    m_popupRect = rect;
    update();
}

bool PopupLayer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

void PopupLayer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backdrop);
    if (!m_drawsPanel)
        return;
    // Whole-point origin, so the outline stays one crisp pixel.
    const QRectF panel(
        std::round(m_popupRect.x()), std::round(m_popupRect.y()), m_popupRect.width(), m_popupRect.height());
    painter.fillRect(panel, m_theme.palette().paper);
    painter.setPen(QPen(m_theme.palette().ink, 1));
    painter.drawRect(panel.adjusted(0.5, 0.5, -0.5, -0.5));
}

void PopupLayer::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_popupRect.contains(event->position()))
        m_onDismiss();
}
