#include "ui/Checkbox.h"

#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

void Checkbox::paint(QPainter& painter, QPointF topLeft, bool on, const ThemePalette& palette)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF box(topLeft, QSizeF(side, side));
    QPainterPath outline;
    outline.addRoundedRect(box, cornerRadius, cornerRadius);
    painter.fillPath(outline, palette.paper);
    QPen pen(palette.ink, outlineWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.strokePath(outline, pen);
    if (on) {
        const qreal inset = (side - markSide) / 2;
        QPainterPath mark;
        mark.addRoundedRect(box.adjusted(inset, inset, -inset, -inset), markCornerRadius, markCornerRadius);
        painter.fillPath(mark, palette.ink);
    }
    painter.restore();
}

Checkbox::Checkbox(
    const Theme& theme, const QString& label, qreal labelSize, qreal spacing, qreal labelRaise, QWidget* parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_spacing(spacing)
    , m_labelRaise(labelRaise)
{
    setCheckable(true);
    setText(label);
    setFont(theme.font(FontRole::geneva, labelSize));
    setFocusPolicy(Qt::NoFocus);
}

QSize Checkbox::sizeHint() const
{
    if (text().isEmpty())
        return { int(side), int(side) };
    const QFontMetricsF metrics(font());
    const qreal width = side + m_spacing + metrics.horizontalAdvance(text());
    return { int(std::ceil(width)), int(std::ceil(std::max(side, metrics.height()))) };
}

void Checkbox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPointF boxTopLeft(0, (height() - side) / 2);
    paint(painter, boxTopLeft, isChecked(), m_theme.palette());
    if (text().isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(m_theme.palette().ink);
    const QRectF labelArea(side + m_spacing, -m_labelRaise, width() - side - m_spacing, height());
    painter.drawText(labelArea, Qt::AlignLeft | Qt::AlignVCenter, text());
}

bool Checkbox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}
