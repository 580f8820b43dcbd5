#pragma once

class QWindow;

// Asks the window manager to show a window on every virtual desktop
// (workspace). On X11 this is the EWMH sticky state; elsewhere there is no
// such request and nothing happens. Call it before the window is first
// shown (it creates no window) and again after showing it.
namespace AllDesktops {
void request(QWindow& window);
} // namespace AllDesktops
