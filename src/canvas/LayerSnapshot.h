#pragma once

#include "canvas/Layer.h"

// A layer without its image: what undo and redo keep, so the history never
// holds image bytes, and what "canvas.json" records of each layer.
struct LayerSnapshot {
    QUuid id;
    QUuid clipItemId;
    QString name;
    QPointF position;
    double width = 0;
    double height = 0;
    double rotation = 0;
    bool flipHorizontal = false;
    bool flipVertical = false;
    qint64 zIndex = 0;

    [[nodiscard]] static LayerSnapshot of(const Layer& layer)
    {
        return { layer.id, layer.clipItemId, layer.name, layer.position, layer.width, layer.height, layer.rotation,
            layer.flipHorizontal, layer.flipVertical, layer.zIndex };
    }

    [[nodiscard]] Layer toLayer(QByteArray imageData) const
    {
        return { id, clipItemId, std::move(imageData), name, position, width, height, rotation, flipHorizontal,
            flipVertical, zIndex };
    }
};
