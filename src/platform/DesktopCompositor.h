#pragma once

// Whether a compositing manager draws the desktop, i.e. whether a window with
// transparent pixels really shows what lies below it.
class DesktopCompositor {
public:
    // On X11 a compositor announces itself by owning the selection
    // _NET_WM_CM_S<screen>; without one, transparent pixels come out black.
    // Wayland always composites; other platforms (offscreen) count as composited.
    [[nodiscard]] static bool isRunning();
};
