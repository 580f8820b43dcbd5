#include "moodboard_ui/BoardControlStates.h"

std::array<ControlState, MoodBoardSideLayout::toolbarItemCount> toolbarStates(const BoardControlInputs& inputs)
{
    const bool selected = inputs.hasSelection;
    return { {
        { selected, false }, // copy
        { inputs.layerCount > 0, inputs.layerPanelShown }, // layer order
        { selected, inputs.rotateMenuOpen }, // rotate
        { selected, false }, // delete
        { inputs.canUndo, false },
        { inputs.canRedo, false },
    } };
}

bool stackingButtonsEnabled(const BoardControlInputs& inputs)
{
    return inputs.hasSelection;
}
