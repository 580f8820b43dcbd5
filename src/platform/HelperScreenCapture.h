#pragma once

#include "platform/ScreenCapture.h"

// Our own capture helper, "scrapwick-screencapture"; the compositor as the
// display server announces it; in a Wayland session, the desktop's screenshot
// portal instead of the helper.
class HelperScreenCapture final : public ScreenCapture {
public:
    // `portal` (outliving this) is used only when the session is Wayland's;
    // without one, only the helper's path is of use. `applicationFolder`: the
    // folder of the app's executable; empty means the running program's (which
    // needs the application object).
    explicit HelperScreenCapture(ScreenshotPortal* portal = nullptr, QString applicationFolder = {});

    // An installed tree keeps the helper in libexec, reached from the app's
    // folder by a relative path fixed when the build is configured, so any
    // prefix works and the whole tree may move; the build tree keeps it beside
    // the app. The installed place wins; when neither holds an executable
    // helper, the answer is the installed place, where it should have been.
    [[nodiscard]] QString toolProgram() const override;
    [[nodiscard]] bool desktopIsComposited() const override;
    [[nodiscard]] ScreenshotPortal* screenshotPortal() const override { return m_portal; }

private:
    ScreenshotPortal* m_portal;
    QString m_applicationFolder;
};
