#pragma once

#include <QPointF>
#include <QUuid>

// The live geometry of the layer being dragged. The layer list itself only
// changes when the drag is committed.
struct LayerDragState {
    QUuid layerId;
    QPointF position;
    double width = 0;
    double height = 0;
    double rotation = 0;

    // Exact comparison: QPointF's own operator== is fuzzy, and a view must see
    // every change of the live geometry, however small.
    friend bool operator==(const LayerDragState& a, const LayerDragState& b)
    {
        return a.layerId == b.layerId && a.position.x() == b.position.x() && a.position.y() == b.position.y()
            && a.width == b.width && a.height == b.height && a.rotation == b.rotation;
    }
};
