#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QUuid>

// One image on the mood board. Geometry is in canvas points, x right, y down;
// `position` is the centre of the unrotated `width` x `height` rectangle.
//
// As drawn, a point of the image relative to that centre is mirrored first (x
// negated for `flipHorizontal`, then y for `flipVertical`), then turned by
// `rotation` degrees clockwise on screen, then moved to `position`. The image
// fills the rectangle whatever its own aspect ratio.
struct Layer {
    QUuid id; // also names the layer's PNG file
    QUuid clipItemId; // the gallery item the image came from; a duplicate keeps it
    QByteArray imageData; // PNG bytes exactly as received
    QString name;
    QPointF position;
    double width = 0;
    double height = 0;
    double rotation = 0; // not normalised: -90 and 270 both occur
    bool flipHorizontal = false;
    bool flipVertical = false;
    qint64 zIndex = 0; // larger is drawn above
};
