#pragma once

#include "canvas/LayerEntry.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <variant>

// The root record of "canvas.json": the number the next new layer's name will
// use, and the layers in the store's list order.
struct CanvasPersistState {
    qint64 nextLayerNumber = 1;
    QList<LayerEntry> layers;

    // Pretty-printed JSON with "nextLayerNumber" before "layers" and each
    // layer's keys in a fixed order. Throws nothing; an error is returned as text.
    [[nodiscard]] std::variant<QByteArray, QString> encoded() const;

    // Strict: every key of both records is required and must have its type; ids
    // must be canonical UUID text. Any fault rejects the whole file.
    [[nodiscard]] static std::optional<CanvasPersistState> decode(const QByteArray& json);
};
