#include "app/DisplayProbe.h"

#include "platform/DisplaySession.h"

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

} // namespace

DisplayEnvironment DisplayEnvironment::current()
{
    return { variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("QT_QPA_PLATFORM"),
        variable("XDG_SESSION_TYPE") };
}

namespace DisplayProbe {

bool x11DisplayAnswers(const std::string& display)
{
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool answered = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection); // also frees a connection that failed
    return answered;
}

DisplayChoice choose(const DisplayEnvironment& environment, const std::string& programPath,
    const std::function<bool(const std::string&)>& x11Answers)
{
    const bool chosen = environment.qpaPlatform.has_value();
    if (chosen && environment.qpaPlatform->rfind("xcb", 0) != 0)
        return {};

    const auto refuse = [&](const std::string& reason) {
        return DisplayChoice { reason + " under Xvfb: xvfb-run " + programPath, std::nullopt };
    };
    if (!environment.display) {
        const bool wayland = DisplaySession::detect(QString::fromStdString(environment.sessionType.value_or("")),
                                 QString::fromStdString(environment.waylandDisplay.value_or("")))
            == DisplaySessionType::wayland;
        if (wayland && !chosen)
            return refuse("Scrapwick needs an X11 display: this Wayland session offers none (DISPLAY is not set)."
                          " Enable XWayland, or run it");
        return refuse("Scrapwick needs a graphical desktop: no X11 or Wayland display found (DISPLAY is not set)."
                      " Run it from a desktop session, or");
    }
    if (!x11Answers(*environment.display))
        return refuse("Scrapwick needs a graphical desktop: cannot connect to the X server on display \""
            + *environment.display + "\" (from DISPLAY). Run it from a desktop session, or");
    // Left alone, Qt may pick Wayland; a user who chose xcb already has it.
    if (chosen)
        return {};
    return { std::nullopt, "xcb" };
}

} // namespace DisplayProbe
