#pragma once

#include "canvas/CanvasPersistState.h"
#include "canvas/Layer.h"
#include "platform/RecordFile.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The mood board on disk, inside the data folder: one PNG per layer in
// "canvas-layers", named by the layer id, and the record "canvas.json".
//
// A plain value holding paths (and the record's shared keep-aside state), so
// write jobs can carry their own copy to the store's queue and never reach back
// into the store.
class CanvasFiles {
public:
    // What reading the canvas at start produced.
    struct Loaded {
        QList<Layer> layers; // in file order
        qint64 nextLayerNumber = 1;
    };

    // Everything one write job needs, copied on the main thread when the change is made.
    struct Write {
        QList<std::pair<QUuid, QByteArray>> images;
        QList<QUuid> deletions;
        CanvasPersistState record;
    };

    // Largest side, in canvas points, of a layer that is loaded. Larger values only
    // come from a damaged or hand-edited file and would make rendering useless.
    static constexpr double maxLayerSide = 100000.0;
    // A layer image larger than this is far beyond any picture the program can
    // decode; reading it whole could exhaust memory.
    static constexpr qint64 maxLayerImageBytes = 512 * 1024 * 1024;

    explicit CanvasFiles(QString rootFolder);

    [[nodiscard]] QString layersFolder() const { return m_layersFolder; }
    [[nodiscard]] QString recordPath() const { return m_record.path(); }
    [[nodiscard]] QString layerImagePath(const QUuid& layerId) const;
    [[nodiscard]] std::optional<QByteArray> readLayerImage(const QUuid& layerId) const;

    // Creates the layer folder (a failure is ignored) and reads the canvas. An
    // unreadable record is moved aside by the first write.
    [[nodiscard]] Loaded load();

    // Runs on the store's queue: the images, then the deletions, then the record.
    // Every failure is logged and the job goes on.
    void write(const Write& job) const;

    // Whether a layer read from the record has geometry the program can work with.
    [[nodiscard]] static bool hasUsableGeometry(const LayerEntry& entry);

private:
    QString m_layersFolder;
    RecordFile m_record;
};
