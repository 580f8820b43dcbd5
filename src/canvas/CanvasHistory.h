#pragma once

#include "canvas/Layer.h"
#include "canvas/LayerSnapshot.h"

#include <QHash>
#include <QList>

#include <optional>

// The mood board's undo and redo stacks: whole-canvas snapshots without image
// bytes, at most `maxDepth` on each stack, oldest first.
//
// Also keeps the bytes of layers taken off the canvas (by a deletion, an undo or
// a redo) for as long as a snapshot still names them: a deleted layer's file is
// removed at once, any layer's file may be stale or not yet written while write
// jobs are queued, and its gallery item may be gone too.
class CanvasHistory {
public:
    using Snapshot = QList<LayerSnapshot>;

    static constexpr qsizetype maxDepth = 5;

    [[nodiscard]] static Snapshot snapshotOf(const QList<Layer>& layers);

    [[nodiscard]] const QList<Snapshot>& undoStack() const { return m_undoStack; }
    [[nodiscard]] const QList<Snapshot>& redoStack() const { return m_redoStack; }

    // Records the state before a change; a new change makes redo impossible.
    void record(Snapshot current);

    // Each hands back the state to return to, after putting `current` on the
    // other stack; nothing when there is nowhere to go. Bytes kept for the layers
    // of that state stay until the next retainRemoved, so they can be restored first.
    [[nodiscard]] std::optional<Snapshot> stepBack(Snapshot current);
    [[nodiscard]] std::optional<Snapshot> stepForward(Snapshot current);

    void clear();

    // Layers leaving the canvas: their bytes stay while some snapshot names them.
    void retainRemoved(const QList<Layer>& layers);
    [[nodiscard]] std::optional<QByteArray> retainedBytes(const QUuid& layerId) const;

private:
    static void pushTrimmed(QList<Snapshot>& stack, Snapshot snapshot);
    // Forgets the bytes of removed layers that no snapshot names any more.
    void dropUnnamedBytes();

    QList<Snapshot> m_undoStack;
    QList<Snapshot> m_redoStack;
    QHash<QUuid, QByteArray> m_retained;
};
