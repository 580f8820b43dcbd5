#include "platform/HelperScreenCapture.h"

#include "platform/DesktopCompositor.h"
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

HelperScreenCapture::HelperScreenCapture(QString applicationFolder)
    : applicationFolder(std::move(applicationFolder))
{
}

QString HelperScreenCapture::toolProgram() const
{
    const QString folder
        = QDir(applicationFolder.isEmpty() ? QCoreApplication::applicationDirPath() : applicationFolder).absolutePath();
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
