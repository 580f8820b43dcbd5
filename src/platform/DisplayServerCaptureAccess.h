#pragma once

#include "platform/ScreenCaptureAccess.h"

// On X11 any client may read the screen. A pure Wayland session (no X server
// to talk to) gives us no way to capture, so access is reported as missing.
class DisplayServerCaptureAccess final : public ScreenCaptureAccess {
public:
    [[nodiscard]] bool preflight() const override;
    void request() override { }
};
