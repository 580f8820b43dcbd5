#pragma once

#include "canvas/LayerDragState.h"

#include <QObject>

#include <optional>

// Holds the geometry of the drag under way, if any. Only the mood board's layer
// views read and write it; the canvas store merely owns it.
class DragStatePublisher : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    [[nodiscard]] const std::optional<LayerDragState>& state() const { return m_state; }

    // Emits stateChanged only when the value differs from the current one.
    void setState(const std::optional<LayerDragState>& state);

Q_SIGNALS:
    void stateChanged();

private:
    std::optional<LayerDragState> m_state;
};
