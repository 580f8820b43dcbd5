#include "platform/DisplaySession.h"

DisplaySessionType DisplaySession::detect(const QString& sessionType, const QString& waylandDisplay)
{
    const QString type = sessionType.trimmed().toLower();
    if (type == QLatin1String("wayland"))
        return DisplaySessionType::wayland;
    if (type == QLatin1String("x11"))
        return DisplaySessionType::x11;
    return waylandDisplay.trimmed().isEmpty() ? DisplaySessionType::x11 : DisplaySessionType::wayland;
}

DisplaySessionType DisplaySession::current()
{
    return detect(qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("WAYLAND_DISPLAY"));
}
