#pragma once

#include "canvas/Layer.h"

// The record of one layer in "canvas.json". The image is not part of it: it
// lives in the layer's own PNG file.
struct LayerEntry {
    QUuid id;
    QUuid clipItemId;
    QString name;
    double positionX = 0;
    double positionY = 0;
    double width = 0;
    double height = 0;
    double rotation = 0;
    bool flipHorizontal = false;
    bool flipVertical = false;
    qint64 zIndex = 0;

    [[nodiscard]] static LayerEntry of(const Layer& layer)
    {
        return { layer.id, layer.clipItemId, layer.name, layer.position.x(), layer.position.y(), layer.width,
            layer.height, layer.rotation, layer.flipHorizontal, layer.flipVertical, layer.zIndex };
    }

    [[nodiscard]] Layer toLayer(QByteArray imageData) const
    {
        return { id, clipItemId, std::move(imageData), name, QPointF(positionX, positionY), width, height, rotation,
            flipHorizontal, flipVertical, zIndex };
    }
};
