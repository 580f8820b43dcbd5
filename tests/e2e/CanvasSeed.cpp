#include "CanvasSeed.h"

#include "canvas/CanvasFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

namespace CanvasSeed {

QList<SeedLayer> sample()
{
    QList<SeedLayer> layers;
    const auto add = [&](QColor colour, QPointF position, double width, double height, double rotation) {
        SeedLayer layer;
        layer.colour = colour;
        layer.position = position;
        layer.width = width;
        layer.height = height;
        layer.rotation = rotation;
        layers.append(layer);
    };
    add(QColor(220, 30, 30), { 110, 100 }, 120, 90, 0);
    add(QColor(30, 60, 220), { 300, 110 }, 100, 100, 15);
    add(QColor(30, 160, 40), { 140, 250 }, 140, 70, 0);
    add(QColor(230, 200, 20), { 380, 250 }, 110, 80, -10);
    return layers;
}

bool write(const QString& scrapwickFolder, const QList<SeedLayer>& layers)
{
    CanvasFiles files(scrapwickFolder);
    (void)files.load();
    CanvasFiles::Write job;
    job.record.nextLayerNumber = layers.size() + 1;
    qint64 zIndex = 0;
    for (const SeedLayer& layer : layers) {
        QByteArray png = layer.png;
        if (png.isEmpty()) {
            QImage image(layer.pixels, QImage::Format_ARGB32);
            image.fill(layer.colour);
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        }
        job.images.append({ layer.id, png });
        LayerEntry entry;
        entry.id = layer.id;
        entry.clipItemId = QUuid::createUuid();
        entry.name = QStringLiteral("Layer ") + QString::number(zIndex + 1);
        entry.position = layer.position;
        entry.width = layer.width;
        entry.height = layer.height;
        entry.rotation = layer.rotation;
        entry.flipHorizontal = layer.flipHorizontal;
        entry.flipVertical = layer.flipVertical;
        entry.zIndex = zIndex++;
        job.record.layers.append(entry);
    }
    files.write(job);
    return QFile::exists(files.recordPath());
}

QList<SeedLayer> read(const QString& scrapwickFolder)
{
    QFile file(CanvasFiles(scrapwickFolder).recordPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const std::optional<CanvasPersistState> state = CanvasPersistState::decode(file.readAll());
    QList<SeedLayer> layers;
    for (const LayerEntry& entry : state ? state->layers : QList<LayerEntry>()) {
        SeedLayer layer;
        layer.id = entry.id;
        layer.position = entry.position;
        layer.width = entry.width;
        layer.height = entry.height;
        layer.rotation = entry.rotation;
        layer.flipHorizontal = entry.flipHorizontal;
        layer.flipVertical = entry.flipVertical;
        layer.name = entry.name;
        layer.zIndex = entry.zIndex;
        layers.append(layer);
    }
    return layers;
}

} // namespace CanvasSeed
