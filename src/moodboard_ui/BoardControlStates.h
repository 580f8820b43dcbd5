#pragma once

#include "moodboard_ui/MoodBoardSideLayout.h"

#include <array>

// Which of the board's controls can act and which show as active, from the
// canvas store and the board's own pop-ups. A control that cannot act is drawn
// at 0.3 opacity and ignores clicks; an active one is white on black.
struct BoardControlInputs {
    qsizetype layerCount = 0;
    bool hasSelection = false;
    bool canUndo = false;
    bool canRedo = false;
    bool layerPanelShown = false;
    bool rotateMenuOpen = false;
};

struct ControlState {
    bool enabled = false;
    bool active = false;

    friend bool operator==(const ControlState&, const ControlState&) = default;
};

// In `MoodBoardSideLayout::toolbarIcons` order.
[[nodiscard]] std::array<ControlState, MoodBoardSideLayout::toolbarItemCount> toolbarStates(
    const BoardControlInputs& inputs);
// The four stacking buttons of the layer panel act on the selection only.
[[nodiscard]] bool stackingButtonsEnabled(const BoardControlInputs& inputs);
