#pragma once

#include "capture/LassoSmoothing.h"
#include "support/CapturePattern.h"

// A screen of 400 × 300 points at scale 2, every pixel a different colour, so
// a wrong offset or a flipped row cannot go unnoticed.
inline QImage patternScreen()
{
    return CapturePattern::image(800, 600);
}

inline const auto polygon = LassoSmoothing::closedPolygonPath;
