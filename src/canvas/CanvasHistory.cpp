#include "canvas/CanvasHistory.h"

#include <QSet>

CanvasHistory::Snapshot CanvasHistory::snapshotOf(const QList<Layer>& layers)
{
    Snapshot snapshot;
    snapshot.reserve(layers.size());
    for (const Layer& layer : layers)
        snapshot.append(LayerSnapshot::of(layer));
    return snapshot;
}

void CanvasHistory::pushTrimmed(QList<Snapshot>& stack, Snapshot snapshot)
{
    stack.append(std::move(snapshot));
    if (stack.size() > maxDepth)
        stack.removeFirst();
}

void CanvasHistory::record(Snapshot current)
{
    pushTrimmed(m_undoStack, std::move(current));
    m_redoStack.clear();
    dropUnnamedBytes();
}

std::optional<CanvasHistory::Snapshot> CanvasHistory::stepBack(Snapshot current)
{
    if (m_undoStack.isEmpty())
        return std::nullopt;
    pushTrimmed(m_redoStack, std::move(current));
    return m_undoStack.takeLast();
}

std::optional<CanvasHistory::Snapshot> CanvasHistory::stepForward(Snapshot current)
{
    if (m_redoStack.isEmpty())
        return std::nullopt;
    pushTrimmed(m_undoStack, std::move(current));
    return m_redoStack.takeLast();
}

void CanvasHistory::clear()
{
    m_undoStack.clear();
    m_redoStack.clear();
    m_retained.clear();
}

void CanvasHistory::retainRemoved(const QList<Layer>& layers)
{
    for (const Layer& layer : layers)
        m_retained.insert(layer.id, layer.imageData);
    dropUnnamedBytes();
}

std::optional<QByteArray> CanvasHistory::retainedBytes(const QUuid& layerId) const
{
    const auto found = m_retained.constFind(layerId);
    if (found == m_retained.constEnd())
        return std::nullopt;
    return *found;
}

// Called after every change of the stacks, so the bytes of a deleted layer go as
// soon as no snapshot can bring it back.
void CanvasHistory::dropUnnamedBytes()
{
    if (m_retained.isEmpty())
        return;
    QSet<QUuid> named;
    for (const QList<Snapshot>* stack : { &m_undoStack, &m_redoStack }) {
        for (const Snapshot& snapshot : *stack) {
            for (const LayerSnapshot& layer : snapshot)
                named.insert(layer.id);
        }
    }
    m_retained.removeIf([&named](const auto& entry) { return !named.contains(entry.key()); });
}
