#include "ui/ConfirmationDialogFrame.h"

#include "ui/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

QRectF ConfirmationDialogFrame::innerRect(const QRectF& outer)
{
    const qreal dx = (outer.width() - innerWidth) / 2;
    const qreal dy = (outer.height() - innerHeight) / 2;
    return outer.adjusted(dx, dy, -dx, -dy);
}

void ConfirmationDialogFrame::paint(QPainter& painter, const QRectF& outer, const Theme& theme)
{
    const ThemePalette& palette = theme.palette();
    const auto band = [&](const QRectF& box, qreal width) {
        painter.fillRect(QRectF(box.left(), box.top(), box.width(), width), palette.ink);
        painter.fillRect(QRectF(box.left(), box.bottom() - width, box.width(), width), palette.ink);
        painter.fillRect(QRectF(box.left(), box.top(), width, box.height()), palette.ink);
        painter.fillRect(QRectF(box.right() - width, box.top(), width, box.height()), palette.ink);
    };
    painter.fillRect(outer, palette.paper);
    band(outer, 1);
    band(innerRect(outer), 2);
}

ConfirmationDialogFrame::ConfirmationDialogFrame(const Theme& theme, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_layout(new QVBoxLayout(this))
{
    setFixedSize(int(outerWidth), int(outerHeight));
    // Content sits inside the inner frame's two-point outline.
    const int inset = int((outerWidth - innerWidth) / 2) + 2;
    m_layout->setContentsMargins(inset, inset, inset, inset);
    m_layout->setSpacing(0);
}

void ConfirmationDialogFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_theme);
}
