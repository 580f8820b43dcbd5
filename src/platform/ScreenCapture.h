#pragma once

#include <QString>

class ScreenshotPortal;

// How the screen is photographed for a cut-out, and whether a window over it
// can let it show through.
class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;
    // The capture tool, run as "PROGRAM -x -m FILE" for the primary screen or
    // "PROGRAM -x -R X,Y,W,H FILE" for an area of the X screen in its pixels:
    // it writes a PNG of it, in physical pixels, to FILE.
    [[nodiscard]] virtual QString toolProgram() const = 0;
    // Whether a compositor draws the desktop, so that a window's transparent
    // pixels really show what lies below it.
    [[nodiscard]] virtual bool desktopIsComposited() const = 0;
    // The desktop's screenshot service where the tool cannot read the screen
    // (Wayland sessions); null where it can (X11).
    [[nodiscard]] virtual ScreenshotPortal* screenshotPortal() const = 0;
};
