#include "platform/WriteBacklog.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"

#include <QFileInfo>

WriteBacklog::WriteBacklog(QString logTag, QString noun)
    : m_logTag(std::move(logTag))
    , m_noun(std::move(noun))
{
}

QString WriteBacklog::failureLine(const QString& idText, const QString& error) const
{
    return m_logTag + QStringLiteral(" Failed to write ") + m_noun + QLatin1Char(' ') + idText + QStringLiteral(": ")
        + error;
}

bool WriteBacklog::forget(const QString& path)
{
    return m_pictures.remove(path) > 0;
}

void WriteBacklog::write(const QString& path, const QString& idText, const QByteArray& bytes)
{
    // Written again (an undone deletion): the file is wanted after all.
    m_removals.removeAll(path);
    m_pictures.remove(path);
    const auto error = AtomicFile::write(path, bytes);
    if (!error)
        return;
    Log::line(failureLine(idText, *error));
    if (!QFileInfo::exists(path))
        m_pictures.insert(path, { idText, bytes });
}

void WriteBacklog::retry(bool lastAttempt)
{
    for (auto picture = m_pictures.begin(); picture != m_pictures.end();) {
        if (const auto error = AtomicFile::write(picture.key(), picture->bytes)) {
            if (lastAttempt)
                Log::line(failureLine(picture->idText, *error));
            ++picture;
            continue;
        }
        Log::line(m_logTag + QStringLiteral(" Wrote ") + m_noun + QLatin1Char(' ') + picture->idText
            + QStringLiteral(" after an earlier failure"));
        picture = m_pictures.erase(picture);
    }
}

QStringList WriteBacklog::afterRecordWrite(bool written, const QStringList& removals)
{
    m_recordBehind = !written;
    m_removals.append(removals);
    if (!written)
        return {};
    return std::exchange(m_removals, {});
}

bool WriteBacklog::isBehind() const
{
    return m_recordBehind || !m_pictures.isEmpty() || !m_removals.isEmpty();
}
