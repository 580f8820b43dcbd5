#include "platform/HelperScreenCapture.h"

#include "platform/DesktopCompositor.h"
#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {
const QString helperName = QStringLiteral("scrapwick-screencapture");

QString runningProgramFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Before the application object exists (answering --version, say) Qt does
    // not know the program's path yet; the kernel does.
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

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
        = QDir(applicationFolder.isEmpty() ? runningProgramFolder() : applicationFolder).absolutePath();
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
