#include "canvas/DragStatePublisher.h"

void DragStatePublisher::setState(const std::optional<LayerDragState>& state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}
