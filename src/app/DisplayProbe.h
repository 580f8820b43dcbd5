#pragma once

#include <functional>
#include <optional>
#include <string>

// Checked before Qt starts: without a reachable display Qt aborts with a long
// plugin message, which tells a user nothing about what to do.
struct DisplayEnvironment {
    std::optional<std::string> display; // DISPLAY
    std::optional<std::string> waylandDisplay; // WAYLAND_DISPLAY
    std::optional<std::string> qpaPlatform; // QT_QPA_PLATFORM
    std::optional<std::string> sessionType; // XDG_SESSION_TYPE

    [[nodiscard]] static DisplayEnvironment current();
};

// How the program starts: either a reason not to, or the Qt platform to use.
struct DisplayChoice {
    // One line saying why the program cannot show itself and how to run it.
    std::optional<std::string> problem;
    // The platform plugin to ask Qt for (QT_QPA_PLATFORM); nothing leaves Qt's own choice.
    std::optional<std::string> platform;
};

namespace DisplayProbe {
// Whether an X server answers on `display`.
[[nodiscard]] bool x11DisplayAnswers(const std::string& display);

// The overlay and the panel must be placed and kept on top, and the capture
// helper reads the X server, so the program runs on X11 (XWayland in a Wayland
// session) whenever an X server is named. A platform chosen explicitly through
// QT_QPA_PLATFORM (other than xcb) is trusted as it is.
[[nodiscard]] DisplayChoice choose(const DisplayEnvironment& environment, const std::string& programPath,
    const std::function<bool(const std::string&)>& x11Answers = x11DisplayAnswers);
} // namespace DisplayProbe
