#pragma once

#include "ui/BorderlessWindowGeometry.h"

#include <QPoint>
#include <QPointF>
#include <QString>

#include <optional>

// The Mood Board window's fixed numbers and the arithmetic of its keyboard
// and wheel input, apart from any widget so that it tests without a screen.
namespace MoodBoardWindowGeometry {

// Design size 761 x 444; the window opens at 837.1 x 488.4 (838 x 489 pixels).
inline constexpr BorderlessWindowGeometry window { { 761, 444 }, { 2622, 2511 }, 32 };

inline constexpr double minimumScale = 0.5;
inline constexpr double maximumScale = 2.0;

enum class WheelTarget { none, layerList, canvas };

// What the wheel acts on with the pointer at `point` (points from the window's
// top-left corner) in a window `windowHeight` high. The regions are measured
// from the window's bottom-left corner and do not follow a resize: the layer
// list at x 42 to 127 and 219 to 349 above the bottom, the canvas side from
// x 172 and 61 above the bottom.
[[nodiscard]] WheelTarget wheelTarget(QPointF point, qreal windowHeight);

// One wheel event's vertical movement in wheel steps (one per mouse notch,
// positive away from the user); touchpads report fractions of a step.
[[nodiscard]] double wheelSteps(QPoint angleDelta);

// The canvas scale after `steps` of wheel: 10 percent of the steps per event,
// kept within 0.5 to 2.0. The zoom is not anchored.
[[nodiscard]] double zoomedScale(double scale, double steps);

// The board's command ("undo", "redo", "duplicate", "paste", "delete") for a
// key press. Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo, Ctrl+D duplicates,
// Ctrl+V pastes; Backspace and Delete delete with or without modifiers.
// Anything else has none.
[[nodiscard]] std::optional<QString> keyCommand(int key, Qt::KeyboardModifiers modifiers);

} // namespace MoodBoardWindowGeometry
