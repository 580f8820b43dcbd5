#pragma once

#include "canvas/CanvasPersistState.h"

#include <QColor>

// A mood board written straight into a "Scrapwick" data folder before the app
// starts: one PNG per layer, filled with a known colour (or, for the benchmark,
// any picture), and "canvas.json" with the layers back to front. End-to-end
// tests, the screenshots and the benchmark use it.
struct SeedLayer {
    QUuid id = QUuid::createUuid();
    QColor colour;
    QPointF position; // world points, the layer's centre
    double width = 100;
    double height = 100;
    double rotation = 0;
    bool flipHorizontal = false;
    bool flipVertical = false;
    QByteArray png {}; // when set, the layer's image instead of 100 x 100 pixels of the colour
};

namespace CanvasSeed {

// Four layers of distinct colours, none overlapping, on the opening board.
[[nodiscard]] QList<SeedLayer> sample();
// Names run "Layer 1", "Layer 2"... in list order; false on any write failure.
[[nodiscard]] bool write(const QString& scrapwickFolder, const QList<SeedLayer>& layers);
// The layers read back from "canvas.json", in file order.
[[nodiscard]] QList<LayerEntry> read(const QString& scrapwickFolder);

} // namespace CanvasSeed
