// Exporting a busy mood board: bounds, rendering at three times the canvas
// resolution and PNG conversion of 20 photo-sized layers (about 4000 x 3000
// pixels out), beside ImageMagick composing the same layers into a PNG.
#include "canvas/CanvasRendering.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
constexpr int layerCount = 20;
constexpr int sourceWidth = 800;
constexpr int sourceHeight = 600;
constexpr double exportScale = 3.0;

// Smooth gradients with some grain, so the PNG coder sees something like a photo.
QImage photoLike(int seed)
{
    QImage image(sourceWidth, sourceHeight, QImage::Format_ARGB32);
    QRandomGenerator random(quint32(seed) + 1);
    for (int y = 0; y < sourceHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < sourceWidth; ++x) {
            const int grain = int(random.bounded(4));
            line[x] = qRgb((x * 255 / sourceWidth + seed * 37 + grain) % 256, (y * 255 / sourceHeight + grain) % 256,
                ((x + y) / 6 + seed * 11) % 256);
        }
    }
    return image;
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A 5 x 4 grid of overlapping 400 x 300 point layers over about 1340 x 1070
// points, with a mix of turns and mirrors.
QList<Layer> boardLayers()
{
    static const double turns[] = { 0, 15, -30, 90, 0, 180, 45, -90, 0, 270, 7.5, 0, -12, 60, 0, 135, -45, 0, 30, 0 };
    QList<Layer> layers;
    for (int i = 0; i < layerCount; ++i) {
        Layer layer;
        layer.id = QUuid::createUuid();
        layer.clipItemId = QUuid::createUuid();
        layer.imageData = png(photoLike(i));
        layer.name = QStringLiteral("Layer %1").arg(i + 1);
        layer.position = QPointF(200 + (i % 5) * 210.0, 150 + (i / 5) * 190.0);
        layer.width = sourceWidth / 2.0;
        layer.height = sourceHeight / 2.0;
        layer.rotation = turns[i];
        layer.flipHorizontal = i % 3 == 1;
        layer.flipVertical = i % 4 == 2;
        layer.zIndex = i;
        layers.append(layer);
    }
    return layers;
}

const QList<Layer>& sharedLayers()
{
    static const QList<Layer> layers = boardLayers();
    return layers;
}

void canvasExport(benchmark::State& state)
{
    const QList<Layer>& layers = sharedLayers();
    qsizetype bytes = 0;
    QSize size;
    for (auto _ : state) {
        const auto bounds = CanvasRendering::contentBounds(layers);
        const auto image = CanvasRendering::renderImage(layers, *bounds, exportScale);
        const auto data = CanvasRendering::pngData(*image);
        bytes = data->size();
        size = image->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
    state.counters["pngMB"] = double(bytes) / 1e6;
}

// The PNG step alone: the export's own conversion (0) against Qt's PNG writer
// at zlib's default level (1).
void pngConversion(benchmark::State& state)
{
    const QList<Layer>& layers = sharedLayers();
    const auto image = CanvasRendering::renderImage(layers, *CanvasRendering::contentBounds(layers), exportScale);
    qsizetype bytes = 0;
    for (auto _ : state) {
        QByteArray data;
        if (state.range(0) == 0) {
            data = *CanvasRendering::pngData(*image);
        } else {
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter(&buffer, "png").write(*image);
        }
        bytes = data.size();
    }
    state.counters["pngMB"] = double(bytes) / 1e6;
}

// The same board through ImageMagick: each layer scaled, mirrored, turned about
// its centre and placed with `-distort SRT`, then all flattened over a
// transparent canvas of the same size and written as PNG.
void imageMagickExport(benchmark::State& state)
{
    const QString convert = QStringLiteral("/usr/bin/convert");
    if (!QFileInfo::exists(convert)) {
        state.SkipWithError("ImageMagick's convert is not installed (apt-get install imagemagick)");
        return;
    }
    QTemporaryDir dir;
    const QList<Layer>& layers = sharedLayers();
    const QRectF bounds = *CanvasRendering::contentBounds(layers);
    QStringList arguments { QStringLiteral("-size"),
        QStringLiteral("%1x%2").arg(qRound(bounds.width() * exportScale)).arg(qRound(bounds.height() * exportScale)),
        QStringLiteral("xc:none") };
    for (int i = 0; i < layers.size(); ++i) {
        const Layer& layer = layers[i];
        const QString source = dir.filePath(QStringLiteral("layer%1.png").arg(i));
        QFile file(source);
        file.open(QIODevice::WriteOnly);
        file.write(layer.imageData);
        file.close();
        const QPointF centre = (layer.position - bounds.topLeft()) * exportScale;
        arguments << QStringLiteral("(") << source;
        if (layer.flipHorizontal)
            arguments << QStringLiteral("-flop");
        if (layer.flipVertical)
            arguments << QStringLiteral("-flip");
        arguments << QStringLiteral("-background") << QStringLiteral("none") << QStringLiteral("-virtual-pixel")
                  << QStringLiteral("transparent") << QStringLiteral("+distort") << QStringLiteral("SRT")
                  << QStringLiteral("%1,%2 %3 %4 %5,%6")
                         .arg(sourceWidth / 2.0)
                         .arg(sourceHeight / 2.0)
                         .arg(layer.width * exportScale / sourceWidth)
                         .arg(layer.rotation)
                         .arg(centre.x())
                         .arg(centre.y())
                  << QStringLiteral(")");
    }
    const QString output = dir.filePath(QStringLiteral("board.png"));
    arguments << QStringLiteral("-background") << QStringLiteral("none") << QStringLiteral("-flatten") << output;

    for (auto _ : state) {
        QProcess process;
        process.start(convert, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            state.SkipWithError(qPrintable(QString::fromLocal8Bit(process.readAllStandardError())));
            return;
        }
    }
    state.counters["pngMB"] = double(QFileInfo(output).size()) / 1e6;
}

BENCHMARK(canvasExport)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(pngConversion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(imageMagickExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
