#include "platform/HelperScreenCapture.h"

#include "platform/DesktopCompositor.h"

#include <QCoreApplication>
#include <QDir>

QString HelperScreenCapture::toolProgram() const
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("scrapwick-screencapture"));
}

bool HelperScreenCapture::desktopIsComposited() const
{
    return DesktopCompositor::isRunning();
}
