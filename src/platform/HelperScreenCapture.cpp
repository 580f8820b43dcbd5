#include "platform/HelperScreenCapture.h"

#include "platform/DesktopCompositor.h"
#include "platform/DisplaySession.h"
#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {
const QString helperName = QStringLiteral("scrapwick-screencapture");

bool isExecutableFile(const QString& path)
{
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}
} // namespace

HelperScreenCapture::HelperScreenCapture(ScreenshotPortal* portal, QString applicationFolder)
    // Under XWayland the X server shows only its own windows, so the helper
    // could not see the desktop: the compositor alone can hand out its pixels.
    : m_portal(DisplaySession::current() == DisplaySessionType::wayland ? portal : nullptr)
    , m_applicationFolder(std::move(applicationFolder))
{
}

QString HelperScreenCapture::toolProgram() const
{
    const QString folder
        = QDir(m_applicationFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_applicationFolder)
              .absolutePath();
    const QString installed
        = QDir::cleanPath(folder + u'/' + QLatin1String(InstallLayout::helperFolderFromAppFolder) + u'/' + helperName);
    const QString besideTheApp = folder + u'/' + helperName;
    if (!isExecutableFile(installed) && isExecutableFile(besideTheApp))
        return besideTheApp;
    return installed;
}

bool HelperScreenCapture::desktopIsComposited() const
{
    return DesktopCompositor::isRunning();
}
