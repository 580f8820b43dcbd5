#include "ui/WindowTitleBar.h"

#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

TitleBarStyle TitleBarStyle::ideaGallery()
{
    return { QStringLiteral("Idea Gallery"), QStringLiteral("icon-gallery-titlebar-stripe"), false, 149, 24 };
}

TitleBarStyle TitleBarStyle::moodBoard()
{
    return { QStringLiteral("MoodBoard"), QStringLiteral("icon-moodboard-titlebar-stripe"), true, 139, 23 };
}

namespace {

QRectF centredSquare(QPointF centre, qreal side)
{
    return { centre.x() - side / 2, centre.y() - side / 2, side, side };
}

} // namespace

QRectF WindowTitleBar::minimizeButtonRect(const TitleBarStyle&, qreal)
{
    return centredSquare({ 22, 14 }, buttonSide);
}

QRectF WindowTitleBar::closeButtonRect(const TitleBarStyle& style, qreal width)
{
    return centredSquare({ width - style.closeCentreFromRight, 14 }, buttonSide);
}

QRectF WindowTitleBar::stripeRect(qreal width)
{
    return { 5, (height - stripeHeight) / 2, width - 10, stripeHeight };
}

WindowTitleBar::Button WindowTitleBar::buttonAt(const TitleBarStyle& style, qreal width, QPointF point)
{
    if (minimizeButtonRect(style, width).contains(point))
        return Button::minimize;
    if (closeButtonRect(style, width).contains(point))
        return Button::close;
    return Button::none;
}

void WindowTitleBar::paint(QPainter& painter, const Theme& theme, const TitleBarStyle& style, qreal width)
{
    const ThemePalette& palette = theme.palette();
    painter.save();
    painter.fillRect(QRectF(0, 0, width, height), palette.paper);
    if (style.stripeTiled)
        theme.drawTiled(painter, stripeRect(width), style.stripeImage);
    else
        theme.drawImage(painter, stripeRect(width), style.stripeImage);

    const QRectF titleBox(
        (width - style.titleBoxWidth) / 2, (height - titleBoxHeight) / 2, style.titleBoxWidth, titleBoxHeight);
    painter.fillRect(titleBox, palette.paper);
    painter.setFont(theme.font(FontRole::chicago, titleSize));
    painter.setPen(palette.ink);
    // Centred on (width / 2, 13): one point above the bar's middle.
    painter.drawText(QRectF(0, 13 - height / 2, width, height), Qt::AlignCenter, style.title);

    const QRectF minimize = minimizeButtonRect(style, width);
    const QRectF close = closeButtonRect(style, width);
    painter.fillRect(minimize, palette.titleButtonBackground);
    painter.fillRect(close, palette.titleButtonBackground);
    theme.drawImage(painter, minimize, QStringLiteral("icon-gallery-minimize"));
    theme.drawImage(painter, close, QStringLiteral("icon-gallery-close"));
    painter.restore();
}

WindowTitleBar::WindowTitleBar(const Theme& theme, TitleBarStyle style, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_style(std::move(style))
{
    setFixedHeight(int(height));
}

void WindowTitleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, m_theme, m_style, width());
}

void WindowTitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = buttonAt(m_style, width(), event->position());
    if (m_pressed == Button::none) {
        // Anywhere else on the bar moves the window, as a title bar does.
        if (QWindow* handle = window()->windowHandle())
            handle->startSystemMove();
    }
}

void WindowTitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    const Button pressed = std::exchange(m_pressed, Button::none);
    if (event->button() != Qt::LeftButton || pressed == Button::none
        || buttonAt(m_style, width(), event->position()) != pressed)
        return;
    if (pressed == Button::minimize)
        emit minimizeClicked();
    else
        emit closeClicked();
}
