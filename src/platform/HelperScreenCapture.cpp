#include "platform/HelperScreenCapture.h"

#include "platform/DesktopCompositor.h"
#include "platform/DisplaySession.h"

#include <QCoreApplication>
#include <QDir>

HelperScreenCapture::HelperScreenCapture(ScreenshotPortal* portal)
    // Under XWayland the X server shows only its own windows, so the helper
    // could not see the desktop: the compositor alone can hand out its pixels.
    : m_portal(DisplaySession::current() == DisplaySessionType::wayland ? portal : nullptr)
{
}

QString HelperScreenCapture::toolProgram() const
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("scrapwick-screencapture"));
}

bool HelperScreenCapture::desktopIsComposited() const
{
    return DesktopCompositor::isRunning();
}
