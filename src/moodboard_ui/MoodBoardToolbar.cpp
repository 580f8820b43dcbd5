#include "moodboard_ui/MoodBoardToolbar.h"

#include "ui/FlashButton.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QProxyStyle>

using namespace MoodBoardSideLayout;

namespace {

// Qt reads the tooltip wake-up delay from the style of the widget under the
// pointer; this style changes only that, to the board's 100 ms.
class QuickToolTipStyle final : public QProxyStyle {
public:
    int styleHint(
        StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return MoodBoardToolbar::toolTipDelayMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

MoodBoardToolbar::MoodBoardToolbar(const Theme& theme, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
{
    const QPointF origin = toolbarRect().topLeft();
    for (int index = 0; index < toolbarItemCount; ++index) {
        const auto item = ToolbarItem(index);
        auto* button = new FlashButton(theme, QString::fromLatin1(toolbarIcons[index]), true, this);
        button->setToolTip(QString::fromUtf8(toolbarTooltips[index]));
        button->setGeometry(toolbarCell(item).translated(-origin).toRect());
        connect(button, &QAbstractButton::clicked, this, [this, item] { Q_EMIT triggered(item); });
        m_buttons[index] = button;
    }
    // One style for all six, made after them: children go in the order they
    // came, so the buttons never outlive it.
    auto* style = new QuickToolTipStyle;
    style->setParent(this);
    for (FlashButton* button : m_buttons)
        button->setStyle(style);
}

void MoodBoardToolbar::setStates(const std::array<ControlState, toolbarItemCount>& states)
{
    for (int index = 0; index < toolbarItemCount; ++index) {
        m_buttons[index]->setEnabled(states[index].enabled);
        m_buttons[index]->setActive(states[index].active);
    }
}

void MoodBoardToolbar::paintEvent(QPaintEvent*)
{
    const ThemePalette& palette = m_theme.palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.paper);
    m_theme.drawTiled(
        painter, QRectF(0, 0, toolbarWidth, toolbarTopBarHeight), QStringLiteral("moodboard-toolbar-topbar-tile"));
    painter.setPen(QPen(palette.ink, 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
