#pragma once

#include "platform/ScreenCapture.h"

// Our own capture helper, "scrapwick-screencapture", installed beside the
// running executable; the compositor as the display server announces it.
class HelperScreenCapture final : public ScreenCapture {
public:
    [[nodiscard]] QString toolProgram() const override;
    [[nodiscard]] bool desktopIsComposited() const override;
};
