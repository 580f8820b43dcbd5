#include "platform/RecordFile.h"

#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

RecordFile::RecordFile(QString path, QString logTag, QString description)
    : m_path(std::move(path))
    , m_logTag(std::move(logTag))
    , m_description(std::move(description))
    , m_unreadable(std::make_shared<std::atomic<bool>>(false))
{
}

std::optional<QByteArray> RecordFile::read()
{
    QFile file(m_path);
    if (!file.exists())
        return std::nullopt;
    // Read one byte past the cap: the file may grow between the size check and the read.
    if (file.size() <= maxBytes && file.open(QIODevice::ReadOnly)) {
        QByteArray bytes = file.read(maxBytes + 1);
        if (file.error() == QFileDevice::NoError && bytes.size() <= maxBytes)
            return bytes;
    }
    markUnreadable();
    return std::nullopt;
}

void RecordFile::markUnreadable()
{
    *m_unreadable = true;
}

bool RecordFile::makeWayForWrite() const
{
    if (!*m_unreadable)
        return true;
    const QFileInfo record(m_path);
    if (record.exists() || record.isSymLink()) {
        const QString keptPath = keepAsidePath(QDateTime::currentDateTimeUtc());
        if (!QDir().rename(m_path, keptPath)) {
            Log::line(m_logTag + QStringLiteral(" Failed to keep unreadable ") + m_description + QStringLiteral(" as ")
                + keptPath + QStringLiteral("; ") + record.fileName() + QStringLiteral(" not written"));
            return false;
        }
        Log::line(m_logTag + QStringLiteral(" Kept unreadable ") + m_description + QStringLiteral(" as ") + keptPath);
    }
    *m_unreadable = false;
    return true;
}

QString RecordFile::keepAsidePath(const QDateTime& now) const
{
    const QString base
        = m_path + QStringLiteral(".unreadable-") + now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = base;
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = base + QLatin1Char('-') + QString::number(n);
    return path;
}
