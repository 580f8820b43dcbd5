#pragma once

#include <QString>
#include <QStringList>

namespace PhotoLikeImages {
// Writes `count` PNGs of `width` x `height` that compress like photographs
// (smooth gradients under fine noise) into `folder`, named "<UUID>.png" with
// fixed UUIDs, and returns their paths. Files already there are kept.
QStringList make(const QString& folder, int count, int width = 1600, int height = 1200);
} // namespace PhotoLikeImages
