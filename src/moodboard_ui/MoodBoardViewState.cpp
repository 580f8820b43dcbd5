#include "moodboard_ui/MoodBoardViewState.h"

void MoodBoardViewState::setCanvasOffset(double x, double y)
{
    if (x == m_offsetX && y == m_offsetY)
        return;
    m_offsetX = x;
    m_offsetY = y;
    emit viewportChanged();
}

void MoodBoardViewState::setCanvasScale(double scale)
{
    if (scale == m_scale)
        return;
    m_scale = scale;
    emit viewportChanged();
}
