#include "app/DisplayProbe.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::string howToRun(const std::string& programPath)
{
    return " Run it from a desktop session, or under Xvfb: xvfb-run " + programPath;
}

} // namespace

DisplayEnvironment DisplayEnvironment::current()
{
    return { variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("QT_QPA_PLATFORM") };
}

namespace DisplayProbe {

bool x11DisplayAnswers(const std::string& display)
{
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool answered = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection); // also frees a connection that failed
    return answered;
}

std::optional<std::string> problem(const DisplayEnvironment& environment, const std::string& programPath,
    const std::function<bool(const std::string&)>& x11Answers)
{
    const bool xcbChosen = environment.qpaPlatform && environment.qpaPlatform->rfind("xcb", 0) == 0;
    if (environment.qpaPlatform && !xcbChosen)
        return std::nullopt;

    if (!environment.display) {
        if (environment.waylandDisplay && !xcbChosen)
            return std::nullopt;
        return "Scrapwick needs a graphical desktop: no X11 or Wayland display found (DISPLAY is not set)."
            + howToRun(programPath);
    }
    // In a Wayland session Qt may prefer Wayland; only a plain X11 start is probed.
    if (environment.waylandDisplay && !xcbChosen)
        return std::nullopt;
    if (!x11Answers(*environment.display))
        return "Scrapwick needs a graphical desktop: cannot connect to the X server on display \""
            + *environment.display + "\" (from DISPLAY)." + howToRun(programPath);
    return std::nullopt;
}

} // namespace DisplayProbe
