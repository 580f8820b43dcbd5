#include "moodboard_ui/MoodBoardView.h"

#include "moodboard_ui/CanvasExport.h"
#include "moodboard_ui/MoodBoardCanvasView.h"
#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>

MoodBoardView::MoodBoardView(const Theme& theme, MoodBoardViewState& viewState, CanvasStore& canvasStore,
    GalleryStore& galleryStore, const PlatformServices& services, std::function<void()> onClose,
    std::function<void()> onMinimize, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_onClose(std::move(onClose))
    , m_onMinimize(std::move(onMinimize))
    , m_canvas(new MoodBoardCanvasView(theme, viewState, canvasStore, galleryStore, this))
    , m_export(new CanvasExport(
          canvasStore, galleryStore, services.filePanels, [](const QString&) {}, this))
{
}

void MoodBoardView::resizeEvent(QResizeEvent*)
{
    m_canvas->setCardSize(QSizeF(width() - 2, height() - 2));
}

WindowTitleBar::Button MoodBoardView::buttonAt(QPointF point) const
{
    return WindowTitleBar::buttonAt(TitleBarStyle::moodBoard(), width() - 2, point - QPointF(1, 1));
}

void MoodBoardView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const ThemePalette& palette = m_theme.palette();
    const qreal cardWidth = width() - 2;
    const qreal cardHeight = height() - 2;
    painter.fillRect(rect(), palette.ink);
    painter.translate(1, 1);
    painter.fillRect(QRectF(0, 0, cardWidth, cardHeight), palette.paper);
    WindowTitleBar::paint(painter, m_theme, TitleBarStyle::moodBoard(), cardWidth);
    // The rule under the bar, centred on y 28.5, and the card's own border.
    painter.fillRect(QRectF(0, WindowTitleBar::height, cardWidth, 1), palette.ink);
    painter.setPen(QPen(palette.ink, 1));
    painter.drawRect(QRectF(0.5, 0.5, cardWidth - 1, cardHeight - 1));
}

void MoodBoardView::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? buttonAt(event->position()) : WindowTitleBar::Button::none;
}

void MoodBoardView::mouseReleaseEvent(QMouseEvent* event)
{
    const WindowTitleBar::Button pressed = std::exchange(m_pressed, WindowTitleBar::Button::none);
    if (event->button() != Qt::LeftButton || pressed == WindowTitleBar::Button::none
        || buttonAt(event->position()) != pressed)
        return;
    if (pressed == WindowTitleBar::Button::close)
        m_onClose();
    else
        m_onMinimize();
}
