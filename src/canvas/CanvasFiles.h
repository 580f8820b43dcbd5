#pragma once

#include "canvas/CanvasPersistState.h"
#include "canvas/Layer.h"
#include "platform/RecordFile.h"
#include "platform/WriteBacklog.h"

#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

// The mood board on disk, inside the data folder: one PNG per layer in
// "canvas-layers", named by the layer id, and the record "canvas.json".
//
// A plain value holding paths (and, shared by every copy, the record's keep-aside
// state and the backlog of what could not be written), so write jobs can carry
// their own copy to the store's queue and never reach back into the store.
class CanvasFiles {
public:
    // What reading the canvas at start produced.
    struct Loaded {
        QList<Layer> layers; // in file order
        qint64 nextLayerNumber = 1;
        // Every layer the record names, when there was a record and it could be read.
        std::optional<QSet<QUuid>> recordedIds;
    };

    // Everything one write job needs, copied on the main thread when the change is made.
    struct Write {
        QList<std::pair<QUuid, QByteArray>> images;
        QList<QUuid> deletions;
        CanvasPersistState record;
        // The job submitted when the store goes: it only runs when earlier jobs
        // left something unwritten.
        bool lastAttempt = false;
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

    // The store's first write job: removes what writes cut short by a kill left,
    // and, when the record was read, the images of layers it does not name (taken
    // off the board by an undo whose step is gone, or written by a change the
    // kill cut short); no snapshot of this run can name them.
    void tidyAtStart(const std::optional<QSet<QUuid>>& recordedIds) const;

    // Runs on the store's queue: the images, then the record, then the deletions,
    // so the record on the disk never names a missing file. Every failure is
    // logged and the job goes on; an image that could not be written is left out
    // of the record and tried again by later jobs, deletions wait for a record
    // that was written (see WriteBacklog).
    void write(const Write& job) const;

    // Whether a layer read from the record has geometry the program can work with.
    [[nodiscard]] static bool hasUsableGeometry(const LayerEntry& entry);

private:
    // Logged on failure; true when the record is on the disk.
    [[nodiscard]] bool writeRecord(CanvasPersistState record) const;

    QString m_layersFolder;
    RecordFile m_record;
    std::shared_ptr<WriteBacklog> m_backlog; // shared by every copy; only the write jobs touch it
};
