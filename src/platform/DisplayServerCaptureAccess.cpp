#include "platform/DisplayServerCaptureAccess.h"

#include <QGuiApplication>

bool DisplayServerCaptureAccess::preflight() const
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland")))
        return qEnvironmentVariableIsSet("DISPLAY"); // XWayland still lets us read the screen
    return true;
}
