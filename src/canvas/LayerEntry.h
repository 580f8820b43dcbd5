#pragma once

#include "canvas/LayerSnapshot.h"

// The record of one layer in "canvas.json": the same fields undo keeps, a
// layer without its image. The image lives in the layer's own PNG file.
using LayerEntry = LayerSnapshot;
