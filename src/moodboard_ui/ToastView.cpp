#include "moodboard_ui/ToastView.h"

#include "moodboard_ui/ToastPresenter.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {
constexpr double paddingX = 12;
constexpr double paddingY = 6;
} // namespace

ToastView::ToastView(const Theme& theme, const ToastPresenter& presenter, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_presenter(presenter)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(theme.font(FontRole::chicago, 9));
    connect(&presenter, &ToastPresenter::changed, this, &ToastView::relayout);
    relayout();
}

void ToastView::setCentre(QPointF centre)
{
    m_centre = centre;
    relayout();
}

void ToastView::relayout()
{
    const QFontMetricsF metrics(font());
    const QSizeF size(std::ceil(metrics.horizontalAdvance(m_presenter.shownText()) + 2 * paddingX),
        std::ceil(metrics.height() + 2 * paddingY));
    setGeometry(int(std::round(m_centre.x() - size.width() / 2)), int(std::round(m_centre.y() - size.height() / 2)),
        int(size.width()), int(size.height()));
    setVisible(m_presenter.opacity() > 0 && !m_presenter.shownText().isEmpty());
    update();
}

void ToastView::paintEvent(QPaintEvent*)
{
    const ThemePalette& palette = m_theme.palette();
    QPainter painter(this);
    painter.setOpacity(m_presenter.opacity());
    painter.fillRect(rect(), palette.paper);
    painter.setPen(QPen(palette.ink, 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setFont(font());
    painter.drawText(QRectF(rect()), Qt::AlignCenter, m_presenter.shownText());
}
