#include "canvas/CanvasFiles.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Uuids.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

CanvasFiles::CanvasFiles(QString rootFolder)
    : m_layersFolder(QDir(rootFolder).filePath(QStringLiteral("canvas-layers")))
    , m_recordPath(QDir(rootFolder).filePath(QStringLiteral("canvas.json")))
{
}

QString CanvasFiles::layerImagePath(const QUuid& layerId) const
{
    return QDir(m_layersFolder).filePath(Uuids::canonicalText(layerId) + QStringLiteral(".png"));
}

std::optional<QByteArray> CanvasFiles::readLayerImage(const QUuid& layerId) const
{
    QFile file(layerImagePath(layerId));
    if (file.size() > maxLayerImageBytes || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool CanvasFiles::hasUsableGeometry(const LayerEntry& entry)
{
    for (const double value : { entry.position.x(), entry.position.y(), entry.width, entry.height, entry.rotation }) {
        if (!std::isfinite(value))
            return false;
    }
    return std::abs(entry.width) <= maxLayerSide && std::abs(entry.height) <= maxLayerSide;
}

CanvasFiles::Loaded CanvasFiles::load() const
{
    QDir().mkpath(m_layersFolder);

    Loaded loaded;
    QFile file(m_recordPath);
    if (!file.exists())
        return loaded;
    std::optional<CanvasPersistState> record;
    if (file.size() <= maxRecordBytes && file.open(QIODevice::ReadOnly))
        record = CanvasPersistState::decode(file.readAll());
    if (!record) {
        loaded.unreadableRecord = true;
        return loaded;
    }

    loaded.nextLayerNumber = record->nextLayerNumber;
    for (const LayerEntry& entry : record->layers) {
        const QString id = Uuids::canonicalText(entry.id);
        if (!hasUsableGeometry(entry)) {
            Log::line(QStringLiteral("[CanvasStore] Unusable geometry for layer ") + id + QStringLiteral(", skipping"));
            continue;
        }
        auto bytes = readLayerImage(entry.id);
        if (!bytes) {
            Log::line(
                QStringLiteral("[CanvasStore] Missing image file for layer ") + id + QStringLiteral(", skipping"));
            continue;
        }
        loaded.layers.append(entry.toLayer(std::move(*bytes)));
    }
    return loaded;
}

void CanvasFiles::write(const Write& job) const
{
    for (const auto& [layerId, bytes] : job.images) {
        if (const auto error = AtomicFile::write(layerImagePath(layerId), bytes)) {
            Log::line(QStringLiteral("[CanvasStore] Failed to write layer image ") + Uuids::canonicalText(layerId)
                + QStringLiteral(": ") + *error);
        }
    }
    for (const QUuid& layerId : job.deletions) {
        QFile file(layerImagePath(layerId));
        if (!file.remove()) {
            Log::line(QStringLiteral("[CanvasStore] Failed to delete layer image ") + Uuids::canonicalText(layerId)
                + QStringLiteral(": ") + file.errorString());
        }
    }

    if (job.unreadableRecordPending && *job.unreadableRecordPending) {
        if (!keepUnreadableRecord())
            return; // never overwrite a canvas that could not be kept
        *job.unreadableRecordPending = false;
    }
    const auto encoded = job.record.encoded();
    if (const QString* error = std::get_if<QString>(&encoded)) {
        Log::line(QStringLiteral("[CanvasStore] Failed to write canvas.json: ") + *error);
        return;
    }
    if (const auto error = AtomicFile::write(m_recordPath, std::get<QByteArray>(encoded)))
        Log::line(QStringLiteral("[CanvasStore] Failed to write canvas.json: ") + *error);
}

// The user's canvas is in that file even if this program cannot read it (a newer
// version, a damaged disk block, a hand edit): move it aside rather than let the
// next write destroy it.
bool CanvasFiles::keepUnreadableRecord() const
{
    const QFileInfo record(m_recordPath);
    if (!record.exists() && !record.isSymLink())
        return true;
    const QString stem = m_recordPath + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString keptPath = stem;
    for (int attempt = 2; QFileInfo::exists(keptPath) || QFileInfo(keptPath).isSymLink(); ++attempt)
        keptPath = stem + QLatin1Char('-') + QString::number(attempt);
    if (!QDir().rename(m_recordPath, keptPath)) {
        Log::line(QStringLiteral("[CanvasStore] Failed to keep unreadable canvas file as ") + keptPath
            + QStringLiteral("; canvas.json not written"));
        return false;
    }
    Log::line(QStringLiteral("[CanvasStore] Kept unreadable canvas file as ") + keptPath);
    return true;
}
