#pragma once

#include <QString>

// How the screen is photographed for a cut-out, and whether a window over it
// can let it show through.
class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;
    // The capture tool, run as "PROGRAM -x -m FILE": it writes a PNG of the
    // primary screen, at its device pixel ratio, to FILE.
    [[nodiscard]] virtual QString toolProgram() const = 0;
    // Whether a compositor draws the desktop, so that a window's transparent
    // pixels really show what lies below it.
    [[nodiscard]] virtual bool desktopIsComposited() const = 0;
};
