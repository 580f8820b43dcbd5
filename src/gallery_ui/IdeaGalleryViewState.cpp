#include "gallery_ui/IdeaGalleryViewState.h"

void IdeaGalleryViewState::setPendingScrollDelta(qreal delta)
{
    m_pendingScrollDelta = delta;
    emit pendingScrollDeltaChanged(delta);
}

void IdeaGalleryViewState::setInLiveResize(bool resizing)
{
    m_inLiveResize = resizing;
    emit inLiveResizeChanged(resizing);
}
