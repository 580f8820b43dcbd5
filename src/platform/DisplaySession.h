#pragma once

#include <QString>

// What kind of desktop session the program runs in. It decides how the screen
// is read: an X server hands out its pixels to any client, a Wayland
// compositor only through the desktop portal, even to X11 clients under
// XWayland.
enum class DisplaySessionType {
    x11,
    wayland,
};

class DisplaySession {
public:
    // From the login manager's XDG_SESSION_TYPE ("x11" or "wayland"); when it
    // names neither (unset, "tty", "unspecified"), a set WAYLAND_DISPLAY means
    // a Wayland compositor is running, else it is X11.
    [[nodiscard]] static DisplaySessionType detect(const QString& sessionType, const QString& waylandDisplay);
    // The session of this process's environment.
    [[nodiscard]] static DisplaySessionType current();
};
