#include "canvas/CanvasFiles.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Uuids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

CanvasFiles::CanvasFiles(QString rootFolder)
    : m_layersFolder(QDir(rootFolder).filePath(QStringLiteral("canvas-layers")))
    , m_record(QDir(rootFolder).filePath(QStringLiteral("canvas.json")), QStringLiteral("[CanvasStore]"),
          QStringLiteral("canvas file"))
    , m_backlog(std::make_shared<WriteBacklog>(QStringLiteral("[CanvasStore]"), QStringLiteral("layer image")))
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
    // Flushed as it is made, like every image in it later.
    (void)AtomicFile::makeFolders(m_layersFolder);

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
    loaded.recordedIds.emplace();
    for (const LayerEntry& entry : record->layers) {
        loaded.recordedIds->insert(entry.id);
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

void CanvasFiles::tidyAtStart(const std::optional<QSet<QUuid>>& recordedIds) const
{
    AtomicFile::removeLeftovers(QFileInfo(m_record.path()).absolutePath(), QFileInfo(m_record.path()).fileName());
    AtomicFile::removeLeftovers(m_layersFolder, QStringLiteral("*.png"));
    if (!recordedIds)
        return; // without a readable record every image may still be the user's
    QDir folder(m_layersFolder);
    for (const QString& name : folder.entryList({ QStringLiteral("*.png") }, QDir::Files)) {
        const auto id = Uuids::parseStrict(name.chopped(4));
        if (id && !recordedIds->contains(*id))
            (void)folder.remove(name);
    }
}

void CanvasFiles::write(const Write& job) const
{
    if (job.lastAttempt && !m_backlog->isBehind())
        return;
    QStringList removals;
    for (const QUuid& layerId : job.deletions) {
        const QString path = layerImagePath(layerId);
        // A layer whose image never reached the disk has no file to remove.
        if (!m_backlog->forget(path))
            removals.append(path);
    }
    for (const auto& [layerId, bytes] : job.images)
        m_backlog->write(layerImagePath(layerId), Uuids::canonicalText(layerId), bytes);
    m_backlog->retry(job.lastAttempt);

    const bool written = m_record.makeWayForWrite() && writeRecord(job.record);
    for (const QString& path : m_backlog->afterRecordWrite(written, removals)) {
        QFile file(path);
        if (!file.remove()) {
            Log::line(QStringLiteral("[CanvasStore] Failed to delete layer image ") + QFileInfo(path).completeBaseName()
                + QStringLiteral(": ") + file.errorString());
        }
    }
}

bool CanvasFiles::writeRecord(CanvasPersistState record) const
{
    // The record names only layers whose image is on the disk.
    if (m_backlog->hasWaitingPictures())
        record.layers.removeIf(
            [this](const LayerEntry& entry) { return m_backlog->isWaiting(layerImagePath(entry.id)); });
    const auto encoded = record.encoded();
    std::optional<QString> error;
    if (const QString* encodingError = std::get_if<QString>(&encoded))
        error = *encodingError;
    else
        error = AtomicFile::write(m_record.path(), std::get<QByteArray>(encoded));
    if (error)
        Log::line(QStringLiteral("[CanvasStore] Failed to write canvas.json: ") + *error);
    return !error;
}
