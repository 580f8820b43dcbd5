#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QUuid>

// A mood board written straight into a "Scrapwick" data folder before the app
// starts: one PNG per layer, filled with a known colour (or, for the benchmark,
// any picture), and "canvas.json" with the layers back to front. End-to-end
// tests, the screenshots and the benchmark use it.
struct SeedLayer {
    QUuid id = QUuid::createUuid();
    QColor colour;
    QSize pixels { 100, 100 };
    QPointF position; // world points, the layer's centre
    double width = 100;
    double height = 100;
    double rotation = 0;
    bool flipHorizontal = false;
    bool flipVertical = false;
    QByteArray png; // when set, the layer's image instead of the colour
    // As read back; written as "Layer 1", "Layer 2"... and 0, 1... in list order.
    QString name;
    qint64 zIndex = 0;
};

namespace CanvasSeed {

// Four layers of distinct colours, none overlapping, on the opening board.
[[nodiscard]] QList<SeedLayer> sample();
// Names run "Layer 1", "Layer 2"... in list order; false on any write failure.
[[nodiscard]] bool write(const QString& scrapwickFolder, const QList<SeedLayer>& layers);
// The layers read back from "canvas.json", in file order.
[[nodiscard]] QList<SeedLayer> read(const QString& scrapwickFolder);

} // namespace CanvasSeed
