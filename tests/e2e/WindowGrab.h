#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

// Reads what an X11 window shows, and where it is, straight from the X
// server of an end-to-end session (its display name, ":N").
namespace WindowGrab {

// The window's contents, alpha included for 32-bit (translucent) windows.
// Null when the window does not exist or is not mapped.
[[nodiscard]] QImage contents(const QString& display, quint32 window);

// The window's rectangle in root (screen) coordinates, or nothing.
[[nodiscard]] std::optional<QRect> geometry(const QString& display, quint32 window);

} // namespace WindowGrab
