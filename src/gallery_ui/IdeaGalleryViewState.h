#pragma once

#include <QObject>

// Shared by the gallery window's controller and its view: wheel movement not
// yet applied (the controller writes it, the view applies it and puts it back
// to 0) and whether the user is resizing the window (no animation meanwhile).
class IdeaGalleryViewState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    [[nodiscard]] qreal pendingScrollDelta() const { return m_pendingScrollDelta; }
    void setPendingScrollDelta(qreal delta);
    [[nodiscard]] bool inLiveResize() const { return m_inLiveResize; }
    void setInLiveResize(bool resizing);

Q_SIGNALS:
    // Every assignment notifies, even of an equal value: two wheel events of
    // the same size both scroll.
    void pendingScrollDeltaChanged(qreal delta);
    void inLiveResizeChanged(bool resizing);

private:
    qreal m_pendingScrollDelta = 0;
    bool m_inLiveResize = false;
};
