#pragma once

#include "platform/ScreenCapture.h"

// Our own capture helper, "scrapwick-screencapture", installed beside the
// running executable; the compositor as the display server announces it; in
// a Wayland session, the desktop's screenshot portal instead of the helper.
class HelperScreenCapture final : public ScreenCapture {
public:
    // `portal` (outliving this) is used only when the session is Wayland's;
    // without one, only the helper's path is of use.
    explicit HelperScreenCapture(ScreenshotPortal* portal = nullptr);

    [[nodiscard]] QString toolProgram() const override;
    [[nodiscard]] bool desktopIsComposited() const override;
    [[nodiscard]] ScreenshotPortal* screenshotPortal() const override { return m_portal; }

private:
    ScreenshotPortal* m_portal;
};
