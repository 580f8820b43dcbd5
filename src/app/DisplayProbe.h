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

    [[nodiscard]] static DisplayEnvironment current();
};

namespace DisplayProbe {
// Whether an X server answers on `display`.
[[nodiscard]] bool x11DisplayAnswers(const std::string& display);

// One line saying why the program cannot show itself and how to run it, or
// nothing when it can go on. A platform chosen explicitly through
// QT_QPA_PLATFORM (other than xcb) is trusted as it is.
[[nodiscard]] std::optional<std::string> problem(const DisplayEnvironment& environment, const std::string& programPath,
    const std::function<bool(const std::string&)>& x11Answers = x11DisplayAnswers);
} // namespace DisplayProbe
