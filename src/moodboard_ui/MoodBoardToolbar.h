#pragma once

#include "moodboard_ui/BoardControlStates.h"
#include "moodboard_ui/MoodBoardSideLayout.h"

#include <QWidget>

#include <array>

class FlashButton;
class Theme;

// The toolbar column at the top of the board's left column: a striped top bar
// over six icon cells, two to a row, framed by a black line. It only reports
// which icon was clicked; the board decides what that does. Its tooltips
// wake after 100 ms.
class MoodBoardToolbar : public QWidget {
    Q_OBJECT

public:
    static constexpr int toolTipDelayMs = 100;

    explicit MoodBoardToolbar(const Theme& theme, QWidget* parent = nullptr);

    void setStates(const std::array<ControlState, MoodBoardSideLayout::toolbarItemCount>& states);

Q_SIGNALS:
    void triggered(MoodBoardSideLayout::ToolbarItem item);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    std::array<FlashButton*, MoodBoardSideLayout::toolbarItemCount> m_buttons {}; // children
};
