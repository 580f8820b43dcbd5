#pragma once

#include "capture/LassoSmoothing.h"

#include <QImage>

// A screen of 400 × 300 points at scale 2, every pixel a different colour, so
// a wrong offset or a flipped row cannot go unnoticed.
inline QImage patternScreen()
{
    QImage image(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
    return image;
}

inline const auto polygon = LassoSmoothing::closedPolygonPath;
