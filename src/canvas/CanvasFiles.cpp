#include "canvas/CanvasFiles.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Uuids.h"

#include <QDir>
#include <QFile>

#include <cmath>

CanvasFiles::CanvasFiles(QString rootFolder)
    : m_layersFolder(QDir(rootFolder).filePath(QStringLiteral("canvas-layers")))
    , m_record(QDir(rootFolder).filePath(QStringLiteral("canvas.json")), QStringLiteral("[CanvasStore]"),
          QStringLiteral("canvas file"))
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

CanvasFiles::Loaded CanvasFiles::load()
{
    QDir().mkpath(m_layersFolder);

    Loaded loaded;
    const auto bytes = m_record.read();
    if (!bytes)
        return loaded;
    const auto record = CanvasPersistState::decode(*bytes);
    if (!record) {
        m_record.markUnreadable();
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

    if (!m_record.makeWayForWrite())
        return;
    const auto encoded = job.record.encoded();
    if (const QString* error = std::get_if<QString>(&encoded)) {
        Log::line(QStringLiteral("[CanvasStore] Failed to write canvas.json: ") + *error);
        return;
    }
    if (const auto error = AtomicFile::write(m_record.path(), std::get<QByteArray>(encoded)))
        Log::line(QStringLiteral("[CanvasStore] Failed to write canvas.json: ") + *error);
}
