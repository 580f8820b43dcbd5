#include "ui/ScrapwickDialogButtonStyle.h"

#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

void ScrapwickDialogButtonStyle::paint(
    QPainter& painter, const QRectF& box, const QString& label, bool pressed, const Theme& theme)
{
    const ThemePalette& palette = theme.palette();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    shape.addRoundedRect(box, cornerRadius, cornerRadius);
    painter.setClipPath(shape);
    painter.fillPath(shape, pressed ? palette.ink : palette.paper);
    // The outline lies inside the box, so the clip keeps all of it and a
    // whole-point box gives a crisp one-pixel line.
    QPainterPath border;
    border.addRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    painter.strokePath(border, QPen(palette.ink, 1));
    painter.setFont(theme.font(FontRole::chicago, labelSize));
    painter.setPen(pressed ? palette.paper : palette.ink);
    painter.drawText(box, Qt::AlignCenter, label);
    painter.restore();
}

ScrapwickDialogButton::ScrapwickDialogButton(const Theme& theme, const QString& label, QWidget* parent)
    : QAbstractButton(parent)
    , m_theme(theme)
{
    setText(label);
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
}

QSize ScrapwickDialogButton::sizeHint() const
{
    return ScrapwickDialogButtonStyle::size.toSize();
}

void ScrapwickDialogButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    ScrapwickDialogButtonStyle::paint(painter, QRectF(rect()), text(), isDown(), m_theme);
}
