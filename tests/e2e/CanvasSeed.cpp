#include "CanvasSeed.h"

#include "canvas/CanvasFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

namespace CanvasSeed {

QList<SeedLayer> sample()
{
    return { { .colour = QColor(220, 30, 30), .position = { 110, 100 }, .width = 120, .height = 90 },
        { .colour = QColor(30, 60, 220), .position = { 300, 110 }, .rotation = 15 },
        { .colour = QColor(30, 160, 40), .position = { 140, 250 }, .width = 140, .height = 70 },
        { .colour = QColor(230, 200, 20), .position = { 380, 250 }, .width = 110, .height = 80, .rotation = -10 } };
}

bool write(const QString& scrapwickFolder, const QList<SeedLayer>& layers)
{
    CanvasFiles files(scrapwickFolder);
    (void)files.load();
    CanvasFiles::Write job;
    job.record.nextLayerNumber = layers.size() + 1;
    for (const SeedLayer& layer : layers) {
        QByteArray png = layer.png;
        if (png.isEmpty()) {
            QImage image(100, 100, QImage::Format_ARGB32);
            image.fill(layer.colour);
            QBuffer buffer(&png);
            image.save(&buffer, "PNG");
        }
        job.images.append({ layer.id, png });
        const qint64 zIndex = job.record.layers.size();
        job.record.layers.append(
            { layer.id, QUuid::createUuid(), QStringLiteral("Layer %1").arg(zIndex + 1), layer.position, layer.width,
                layer.height, layer.rotation, layer.flipHorizontal, layer.flipVertical, zIndex });
    }
    files.write(job);
    return QFile::exists(files.recordPath());
}

QList<LayerEntry> read(const QString& scrapwickFolder)
{
    QFile file(CanvasFiles(scrapwickFolder).recordPath());
    const auto state = file.open(QIODevice::ReadOnly) ? CanvasPersistState::decode(file.readAll()) : std::nullopt;
    return state ? state->layers : QList<LayerEntry>();
}

} // namespace CanvasSeed
