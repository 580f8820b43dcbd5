#include "moodboard_ui/LayerPanel.h"

#include "moodboard_ui/MoodBoardSideLayout.h"
#include "moodboard_ui/MoodBoardWindowGeometry.h"
#include "ui/FlashButton.h"
#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

using namespace MoodBoardSideLayout;

LayerPanel::LayerPanel(const Theme& theme, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
{
    for (int index = 0; index < sortIconCount; ++index) {
        auto* button = new FlashButton(theme, QString::fromLatin1(sortIcons[index]), false, this);
        button->setGeometry(sortButtonRect(index).toRect());
        connect(button, &QAbstractButton::clicked, this, [this, index] { Q_EMIT stackingClicked(index); });
        m_stacking[index] = button;
    }
}

void LayerPanel::setRows(const QList<Row>& rows, const std::optional<QUuid>& selected)
{
    m_rows = rows;
    m_selected = selected;
    m_offset = clampedLayerScroll(m_offset, m_rows.size());
    update();
}

void LayerPanel::setStackingEnabled(bool enabled)
{
    for (FlashButton* button : m_stacking)
        button->setEnabled(enabled);
}

void LayerPanel::setScrollOffset(double offset)
{
    m_offset = clampedLayerScroll(offset, m_rows.size());
    update();
}

void LayerPanel::scrollBy(double delta)
{
    setScrollOffset(wheelScrolledOffset(m_offset, delta, m_rows.size()));
}

void LayerPanel::paintEvent(QPaintEvent*)
{
    const ThemePalette& palette = m_theme.palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.paper);
    painter.setPen(QPen(palette.ink, 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));

    painter.save();
    painter.setClipRect(layerList);
    painter.setFont(m_theme.font(FontRole::geneva, 7));
    for (int row = 0; row < m_rows.size(); ++row) {
        const QRectF line = layerRowRect(row, m_offset);
        if (!line.adjusted(0, -layerRadioSize, 0, layerRadioSize).intersects(layerList))
            continue;
        const bool selected = m_selected == m_rows[row].id;
        const QRectF mark(line.left(), line.center().y() - layerRadioSize / 2, layerRadioSize, layerRadioSize);
        m_theme.drawImage(
            painter, mark, selected ? QStringLiteral("icon-layer-radio-b") : QStringLiteral("icon-layer-radio-a"));
        const double textLeft = mark.right() + layerRadioTextGap;
        painter.setPen(palette.ink);
        painter.drawText(QRectF(textLeft, line.center().y() - 5, layerList.right() - textLeft, 10),
            Qt::AlignLeft | Qt::AlignVCenter, m_rows[row].name);
    }
    painter.restore();

    m_theme.drawTiled(painter, scrollTrack, QStringLiteral("moodboard-layerpanel-scrollbar-track-tile"));
    painter.setPen(QPen(palette.ink, 1));
    painter.drawRect(scrollTrack.adjusted(0.5, 0.5, -0.5, -0.5));
    const QRectF thumb = layerThumbRect(m_offset, m_rows.size());
    m_theme.drawImage(painter, thumb, QStringLiteral("icon-layer-scrollbar-thumb"));
}

void LayerPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressPoint = event->position();
    m_thumbBase.reset();
    if (layerThumbRect(m_offset, m_rows.size()).adjusted(0, -1, 0, 1).contains(m_pressPoint)) {
        m_press = Press::thumb;
    } else if (const int row = layerRowAt(m_pressPoint, m_offset, m_rows.size()); row >= 0) {
        m_press = Press::row;
        m_pressedRow = row;
    } else {
        m_press = Press::none;
    }
}

void LayerPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_press != Press::thumb)
        return;
    const QPointF translation = event->position() - m_pressPoint;
    if (!m_thumbBase) {
        if (std::hypot(translation.x(), translation.y()) < thumbDragThreshold)
            return;
        m_thumbBase = thumbDragBase(m_offset, m_rows.size());
    }
    setScrollOffset(thumbDraggedOffset(*m_thumbBase, translation.y(), m_rows.size()));
}

void LayerPanel::mouseReleaseEvent(QMouseEvent* event)
{
    const Press press = std::exchange(m_press, Press::none);
    m_thumbBase.reset();
    if (press != Press::row || event->button() != Qt::LeftButton)
        return;
    const int row = layerRowAt(event->position(), m_offset, m_rows.size());
    if (row == m_pressedRow && row >= 0)
        Q_EMIT rowClicked(m_rows[row].id);
}

void LayerPanel::wheelEvent(QWheelEvent* event)
{
    // The window routes the wheel to this list within a fixed region of the
    // board; elsewhere over the panel the list scrolls here instead, so that
    // it scrolls wherever the pointer is over it, and never twice.
    QWidget* board = window();
    const QPointF inWindow = board->mapFromGlobal(event->globalPosition());
    using namespace MoodBoardWindowGeometry;
    if (wheelTarget(inWindow, board->height()) != WheelTarget::layerList)
        scrollBy(wheelSteps(event->angleDelta()) * wheelStepPoints);
    event->accept();
}
