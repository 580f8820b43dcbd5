#include "platform/XdgAutostartLoginItem.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

// Desktop-entry Exec values need spaces and the reserved characters quoted.
QString quotedExec(const QString& path)
{
    QString escaped = path;
    for (const QChar c : { QLatin1Char('\\'), QLatin1Char('"'), QLatin1Char('`'), QLatin1Char('$') })
        escaped.replace(c, QStringLiteral("\\") + c);
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executablePath, QString autostartFolder)
    : m_executablePath(std::move(executablePath))
    , m_autostartFolder(std::move(autostartFolder))
{
    if (m_autostartFolder.isEmpty())
        m_autostartFolder = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                .filePath(QStringLiteral("autostart"));
}

QString XdgAutostartLoginItem::entryPath() const
{
    return QDir(m_autostartFolder).filePath(QStringLiteral("scrapwick.desktop"));
}

bool XdgAutostartLoginItem::setEnabled(bool enabled)
{
    if (!enabled)
        return !QFile::exists(entryPath()) || QFile::remove(entryPath());

    if (!QDir().mkpath(m_autostartFolder))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Scrapwick\n"
                                         "Comment=Cut, collect and compose pieces of your screen\n"
                                         "Exec=%1\n"
                                         "Icon=io.github.scrapwick.Scrapwick\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(quotedExec(m_executablePath));
    return !AtomicFile::write(entryPath(), entry.toUtf8()).has_value();
}
